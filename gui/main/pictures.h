#pragma once

#include "gui/dialogs/svg_picture.h"

// The main window's pictures (pictures/*.svg): the program's icon, drawn to be shown at any size,
// and the toolbar's tools, drawn 48 x 48.
extern const SvgPicture kPictureQuillmoot;
extern const SvgPicture kPictureToolNewEvent;
extern const SvgPicture kPictureToolLoadEvent;
extern const SvgPicture kPictureToolSaveEvent;
extern const SvgPicture kPictureToolPrint;
extern const SvgPicture kPictureToolImportTeachers;
extern const SvgPicture kPictureToolImportPupils;
extern const SvgPicture kPictureToolRebookAll;
extern const SvgPicture kPictureToolBookIncomplete;
extern const SvgPicture kPictureToolOptimise;
