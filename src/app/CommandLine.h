// The command line: one optional file; any flag makes the shell command
// "other" (no default worksheet, nothing else). Only "-" introduces a flag,
// so "/home/u/list.lsl" is a file. `--screenshot FILE.png` is a hidden option
// for tests and reviewers and is not a flag in that sense.
#pragma once

#include <QString>
#include <QStringList>

namespace lumora {

struct CommandLineInfo {
    enum class ShellCommand {
        New,   // no file: the list container creates an empty worksheet
        Open,  // a file: read it as a worksheet-list file after start-up
        Other, // a flag was given: no empty worksheet, nothing else
    };
    ShellCommand shellCommand = ShellCommand::New;
    QString fileName;   // absolute path of the file parameter
    QString screenshot; // --screenshot target, empty when absent
    bool help = false;  // --help or -h: print the usage and end
};

// The text of --help.
QString commandLineUsage();

// `args` without the program name; relative file names are resolved against
// `currentDir`.
CommandLineInfo parseCommandLine(const QStringList& args, const QString& currentDir);

} // namespace lumora
