// A GUI application object for targets whose code draws with Qt (the
// "UNKNOWN" card is drawn once per process with one; without it every
// refused file would redraw a plain card). Offscreen: no display needed.
#pragma once

#include <QGuiApplication>

#include <cstdlib>

namespace lumora::fuzz {

inline void StartGuiApplication(int* argc, char*** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static QGuiApplication app(*argc, *argv);
}

} // namespace lumora::fuzz

// libFuzzer calls this once, before the first input.
#define LUMORA_FUZZ_GUI_APPLICATION                                                                \
    extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {                                 \
        lumora::fuzz::StartGuiApplication(argc, argv);                                             \
        return 0;                                                                                  \
    }
