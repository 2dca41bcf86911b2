// Small helpers on path names used by the shell stand-ins and the folder
// tree. Stateless; callable from any thread.
#pragma once

#include <QString>

namespace lumora {

// folder + '/' + name, without doubling a trailing slash of folder.
QString joinPath(const QString& folder, const QString& name);

// A path as the user typed it, the way the address box reads it: spaces
// around it are dropped, a local "file:" URL becomes its path, and "~" or a
// leading "~/" stands for `home`. The result may still be relative (or empty);
// nothing is looked up on disk.
QString expandUserPath(const QString& text, const QString& home);

// Whether something exists at path, a dangling symbolic link included
// (the link itself is not followed).
bool lexists(const QString& path);

} // namespace lumora
