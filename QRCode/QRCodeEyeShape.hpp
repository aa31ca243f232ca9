#pragma once
// The eye shapes: the generator interface, the eye classes and their factory.

#include "QRCode/eye/QRCodeEyeShapeFactory.hpp"
#include "QRCode/eye/QRCodeEyeShapeGenerator.hpp"
#include "QRCode/eye/QRCodeEyeShapesRounded.hpp"
