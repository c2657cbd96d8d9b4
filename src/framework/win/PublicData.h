// The helpers the start-up, login and game windows share, one topic a file:
// the temporary folder and the icon file in it, resources written to files,
// PNG resources decoded with GDI+, and windows painted once as per-pixel-alpha
// layered windows.
#pragma once

#include "framework/win/LayeredWindow.h"
#include "framework/win/PngResource.h"
#include "framework/win/Resources.h"
#include "framework/win/TempFolder.h"
