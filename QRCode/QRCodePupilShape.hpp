#pragma once
// The pupil shapes: the generator interface, the pupil classes and their factory.

#include "QRCode/eye/QRCodePupilShapeFactory.hpp"
#include "QRCode/eye/QRCodePupilShapeGenerator.hpp"
#include "QRCode/eye/QRCodePupilShapesBar.hpp"
#include "QRCode/eye/QRCodePupilShapesConfigurable.hpp"
#include "QRCode/eye/QRCodePupilShapesRounded.hpp"
