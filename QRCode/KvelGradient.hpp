#pragma once
// Colour gradients with their pins and text form.

#include "QRCode/core/KvelGradient.hpp"
