#pragma once
// The window speaks Chinese whatever the desktop's language: Qt's own texts (the file dialog's
// buttons and labels) from Qt's Chinese translations, the few words those lack from ours, and
// Qt's dates and sizes in the Chinese way.

class QCoreApplication;

namespace vokari::gui {

// Installs the translators once per process; later calls do nothing. Answers whether Qt's own
// translations were found (ours are always there).
bool installChineseTexts(QCoreApplication& app);

}  // namespace vokari::gui
