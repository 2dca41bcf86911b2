// Small helpers on path names used by the shell stand-ins and the folder
// tree. Stateless; callable from any thread.
#pragma once

#include <QString>

namespace lumora {

// folder + '/' + name, without doubling a trailing slash of folder.
QString joinPath(const QString& folder, const QString& name);

// Whether something exists at path, a dangling symbolic link included
// (the link itself is not followed).
bool lexists(const QString& path);

} // namespace lumora
