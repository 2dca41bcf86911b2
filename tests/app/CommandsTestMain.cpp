// Runs the command-table and main-window command tests in one program.
#include <QApplication>
#include <QtTest>

int runCommandTableTest(int argc, char** argv);
int runMainCommandsTest(int argc, char** argv);
int runMarkCommandsTest(int argc, char** argv);

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int failures = runCommandTableTest(argc, argv);
    failures += runMainCommandsTest(argc, argv);
    failures += runMarkCommandsTest(argc, argv);
    return failures;
}
