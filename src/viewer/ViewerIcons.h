// Tool-bar images of the viewer's commands, drawn in code.
#pragma once

#include <QIcon>

namespace lumora {

QIcon viewerIcon(int commandId);

} // namespace lumora
