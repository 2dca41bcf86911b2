// The tool-bar button images and the application icon, drawn from vector
// shapes at every device pixel ratio the screens need.
#pragma once

#include <QIcon>

namespace lumora {

// The image of a tool-bar command (null icon for an unknown command).
QIcon toolIcon(int commandId);
// Icon 128: the application's icon.
QIcon applicationIcon();

} // namespace lumora
