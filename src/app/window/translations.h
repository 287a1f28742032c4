#pragma once
class QApplication;

// Loads Qt's own Russian texts (standard buttons, file dialogs). Returns whether they were found.
bool installRussianTranslations(QApplication& app);
