#pragma once

#include "ui/cloud/CloudPanel.hpp"

#include <QPoint>
#include <QSize>

class QWidget;

namespace ostrel::ui {

// Builds the application's main windows (home, onboarding, settings, score export, routine
// editor) around their content: a CloudPanel the content fills, with the window's own close and
// minimise lights drawn over the content instead of a title bar, and Escape anywhere in the window
// closing it.
//
// The lights and the Escape key reach the window through a weak pointer, so they never keep it
// alive. make() neither shows nor raises the window; the caller does, and keeps it.
//
// Threading: the GUI thread only.
class CloudWindow {
public:
    // The content size of each window kind, and where all of them put their lights.
    static constexpr QSize homeSize{880, 700};
    static constexpr QSize onboardingSize{660, 720};
    static constexpr QSize settingsSize{760, 620};
    static constexpr QSize exportSize{600, 700};
    static constexpr QSize editorSize{680, 820};
    static constexpr QPoint lightsAt{62, 56};

    // A new window of exactly size (it cannot be resized) filled by content, which it takes as a
    // child; the lights sit at lightsAt from the content's top-left corner, above everything the
    // content draws. Centred on the primary screen's available area. The caller owns the window.
    static CloudPanel* make(QSize size, QPoint lightsAt, QWidget* content);
};

} // namespace ostrel::ui
