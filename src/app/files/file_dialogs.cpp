#include "files/file_dialogs.h"

#include <QDir>
#include <QFileDialog>

namespace {

QString openWithDialog(QWidget* parent, const QString& title, const QString& filter) {
    return QFileDialog::getOpenFileName(parent, title, QDir::currentPath(), filter);
}

QString saveWithDialog(QWidget* parent, const SaveRequest& request) {
    QFileDialog dialog(parent, request.title, QDir::currentPath());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(request.filters);
    const int selected = std::clamp(request.selectedFilter, 0, static_cast<int>(request.filters.size()) - 1);
    if (selected >= 0) dialog.selectNameFilter(request.filters[selected]);
    if (selected >= 0 && selected < request.suffixes.size())
        dialog.setDefaultSuffix(request.suffixes[selected]);
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog, &request](const QString& f) {
        const auto i = request.filters.indexOf(f);
        if (i >= 0 && i < request.suffixes.size()) dialog.setDefaultSuffix(request.suffixes[i]);
    });
    if (!request.proposedName.isEmpty()) dialog.selectFile(request.proposedName);
    if (dialog.exec() != QDialog::Accepted) return {};
    return dialog.selectedFiles().value(0);
}

} // namespace

FileDialogs systemFileDialogs() {
    return {openWithDialog, saveWithDialog};
}
