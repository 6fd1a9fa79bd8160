#pragma once

#include "gui/dialogs/svg_picture.h"

// The About box's picture (pictures/about.svg), 276 x 133 pixels.
extern const SvgPicture kPictureAbout;
