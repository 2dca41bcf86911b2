#include "app/CommandLine.h"

#include <gtest/gtest.h>

using lumora::CommandLineInfo;
using lumora::parseCommandLine;
using Shell = CommandLineInfo::ShellCommand;

TEST(CommandLine, NoArgumentsIsNew) {
    const CommandLineInfo info = parseCommandLine({}, "/home/u");
    EXPECT_EQ(info.shellCommand, Shell::New);
    EXPECT_TRUE(info.fileName.isEmpty());
}

TEST(CommandLine, FileIsOpenAndMadeAbsolute) {
    CommandLineInfo info = parseCommandLine({"lists/a.lsl"}, "/home/u");
    EXPECT_EQ(info.shellCommand, Shell::Open);
    EXPECT_EQ(info.fileName, "/home/u/lists/a.lsl");
    // A leading slash is an absolute path, not a flag.
    info = parseCommandLine({"/p"}, "/home/u");
    EXPECT_EQ(info.shellCommand, Shell::Open);
    EXPECT_EQ(info.fileName, "/p");
    // Only the first file counts.
    info = parseCommandLine({"../b.lsl", "c.lsl"}, "/home/u/x");
    EXPECT_EQ(info.fileName, "/home/u/b.lsl");
}

TEST(CommandLine, AnyFlagSuppressesTheDefaultWorksheetAndNothingElse) {
    for (const QStringList& args : {QStringList{"-p"}, QStringList{"-p", "a.lsl"},
                                    QStringList{"a.lsl", "--register"}, QStringList{"-"}}) {
        const CommandLineInfo info = parseCommandLine(args, "/w");
        EXPECT_EQ(info.shellCommand, Shell::Other) << args.join(' ').toStdString();
    }
}

TEST(CommandLine, ScreenshotOptionIsNotAFlag) {
    CommandLineInfo info = parseCommandLine({"--screenshot", "s.png"}, "/tmp");
    EXPECT_EQ(info.shellCommand, Shell::New);
    EXPECT_EQ(info.screenshot, "/tmp/s.png");
    info = parseCommandLine({"--screenshot", "/o/s.png", "a.lsl"}, "/w");
    EXPECT_EQ(info.shellCommand, Shell::Open);
    EXPECT_EQ(info.fileName, "/w/a.lsl");
    EXPECT_EQ(info.screenshot, "/o/s.png");
}

TEST(CommandLine, HelpIsAskedForAndDescribesEveryKindOfPath) {
    for (const char* flag : {"--help", "-h"}) {
        const CommandLineInfo info = parseCommandLine({flag}, "/w");
        EXPECT_TRUE(info.help) << flag;
    }
    EXPECT_FALSE(parseCommandLine({"a.lsl"}, "/w").help);
    const QString usage = lumora::commandLineUsage();
    for (const char* word : {"folder", "image", "Lumora WorkSheetFile", "--screenshot"})
        EXPECT_TRUE(usage.contains(QLatin1String(word))) << word;
}
