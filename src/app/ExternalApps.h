// Registered external applications: programs the user lists, started with
// the selected files.
#pragma once

#include <QStringList>

namespace lumora {

// Starts application i of `apps` (full program paths) with one argument per
// path, in order: directly, without a shell, so quotes, spaces or shell
// characters in names reach the program unchanged; detached, so it outlives
// this program. Nothing happens when the list has no entry i; a program
// that cannot start is not reported. Returns whether it started.
bool OpenWithApplication(const QStringList& apps, int i, const QStringList& paths);

} // namespace lumora
