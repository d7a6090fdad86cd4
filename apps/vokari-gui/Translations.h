#pragma once
// The window speaks Chinese whatever the desktop's language: Qt's own texts (the file dialog's
// buttons and columns) from Qt's Chinese translations, and the few words those lack from ours.

class QCoreApplication;

namespace vokari::gui {

// Installs the translators once per process; later calls do nothing. Answers whether Qt's own
// translations were found (ours are always there).
bool installChineseTexts(QCoreApplication& app);

}  // namespace vokari::gui
