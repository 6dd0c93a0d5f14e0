#pragma once
// Qt's own Russian texts for its standard buttons and dialogs (Да and Нет in
// a question, the colour, font and file choosers), so that they speak the
// program's language.

class QCoreApplication;

namespace detalehran {

// Loads qtbase_ru from Qt's translations folder and installs it in the
// application, which keeps it for the rest of the run. False when the file
// is missing; the standard texts then stay English.
bool install_qt_translation(QCoreApplication& application);

}  // namespace detalehran
