// Fixture for the layering check: an engine file that reaches up into app.
#include "app/MainFrame.h"
#include "engine/ThumbnailEngine.h"
