#include "recorder/recorder_page.h"

RecorderPage::RecorderPage(WindowState& state, QWidget* parent) : Page(state, parent) {
    setObjectName(QStringLiteral("RecorderPage"));
}
