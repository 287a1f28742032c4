#include "files/file_commands.h"

#include "journal/journal_file.h"
#include "journal/journal_text_export.h"
#include "common/whole_file.h"
#include "settings/catalogue.h"
#include "journal/settings_file.h"
#include "settings/settings_page.h"
#include "state/current_state_page.h"
#include "shared/commands.h"
#include "shared/data_views.h"
#include "shared/page_tabs.h"
#include "shared/window_state.h"

#include <QDir>
#include <QMessageBox>

#include <filesystem>

using vorsan::Command;
using vorsan::ControllerGeneration;
using vorsan::FileStatus;

namespace {

const QString kJournalOpenFilter = QStringLiteral("Журнал событий *.VR4, *.pr (*.VR4 *.pr)");
const QStringList kJournalSaveFilters = {QStringLiteral("Файл журнала  *.VR4 (*.VR4)"),
                                         QStringLiteral("Файл журнала  *.pr (*.pr)")};
const QStringList kJournalSuffixes = {QStringLiteral("VR4"), QStringLiteral("pr")};
const QStringList kTextFilters = {QStringLiteral("Текстовый файл *.txt (*.txt)")};
const QString kSettingsOpenFilter = QStringLiteral("Файл уставок *.us4; *.ust (*.us4 *.ust)");
const QStringList kSettingsSaveFilters = {QStringLiteral("Файл уставок *.us4 (*.us4)"),
                                          QStringLiteral("Файл уставок *.ust (*.ust)")};
const QStringList kSettingsSuffixes = {QStringLiteral("us4"), QStringLiteral("ust")};
const QString kSettingsTitlePrefix = QStringLiteral("Уставки:  ");

std::filesystem::path fsPath(const QString& path) {
    return std::filesystem::path(path.toStdU16String());
}

int filterOf(ControllerGeneration g) {
    return g == ControllerGeneration::Gen4 ? 0 : 1;
}

QString proposedName(const vorsan::SettingsCatalogue& catalogue) {
    const auto pw = vorsan::padAndWell(catalogue);
    return QString::fromStdString(vorsan::proposedFileName(pw.pad, pw.well));
}

} // namespace

FileCommands::FileCommands(WindowState& state, DataViews& views, CommandSet& commands, QWidget* window,
                           PageTabs* pages)
    : QObject(window), state_(state), views_(views), window_(window), pages_(pages) {
    commands.bind(Command::OpenJournal, [this] { openJournal(); });
    commands.bind(Command::SaveJournal, [this] { saveJournal(); });
    commands.bind(Command::SaveJournalText, [this] { saveJournalText(); });
    commands.bind(Command::LoadSettingsFile, [this] { loadSettings(); });
    commands.bind(Command::SaveSettingsFile, [this] { saveSettings(); });
}

bool FileCommands::askForeignFile() const {
    return QMessageBox::question(window_, QString::fromUtf8(vorsan::kUnknownMagicCaption),
                                 QString::fromUtf8(vorsan::kUnknownMagicQuestion),
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

void FileCommands::reportFailure(const QString& path, const std::string& reason) const {
    QMessageBox::critical(
        window_, QStringLiteral("Ошибка"),
        QStringLiteral("%1\n%2").arg(QDir::toNativeSeparators(path), QString::fromStdString(reason)));
}

bool FileCommands::opened(const QString& path, FileStatus status, const std::string& error) const {
    switch (status) {
    case FileStatus::refused:
        return false;
    case FileStatus::damaged:
        QMessageBox::critical(window_, QString::fromUtf8(vorsan::kDamagedFileCaption),
                              QString::fromUtf8(vorsan::kDamagedFileMessage));
        return false;
    case FileStatus::unreadable:
        reportFailure(path, error);
        return false;
    case FileStatus::ok:
        break;
    }
    return true;
}

void FileCommands::openJournal() {
    const QString path =
        dialogs_.open(window_, CommandSet::caption(Command::OpenJournal), kJournalOpenFilter);
    if (!path.isEmpty()) openJournalFile(path);
}

bool FileCommands::openJournalFile(const QString& path, bool fromCommandLine) {
    const auto load =
        vorsan::loadJournalFile(fsPath(path), state_.loadedGeneration, [this] { return askForeignFile(); });
    if (!opened(path, load.status, load.error)) return false;
    const auto& file = load.file;
    const QString shown = QDir::toNativeSeparators(path);
    window_->setWindowTitle(QString::fromUtf8(vorsan::kCaptionPrefix.data(), vorsan::kCaptionPrefix.size()) +
                            shown);
    // The catalogue first: setting-change texts of the journal name its entries.
    views_.showSettings(file.catalogue, kSettingsTitlePrefix + shown);
    views_.showJournal(file.generation, file.image);
    views_.showPadAndWell();
    views_.showCurrentState(file.state, file.stateStored);
    if (!fromCommandLine) views_.askOilfield();
    return true;
}

void FileCommands::saveJournal() {
    if (!state_.journalLoaded || !state_.journalImage) return;
    const auto generation = state_.journalGeneration;
    // The settings saved with the journal are those of its generation.
    const auto catalogue =
        state_.catalogue.generation == generation ? state_.catalogue : vorsan::buildCatalogue(generation);
    SaveRequest request{QStringLiteral("Сохранение журнала в файл"), kJournalSaveFilters,
                        filterOf(generation), proposedName(catalogue), kJournalSuffixes};
    const QString path = dialogs_.save(window_, request);
    if (path.isEmpty()) return;
    const auto error = vorsan::saveJournalFile(fsPath(path), generation, *state_.journalImage, catalogue,
                                               state_.currentState);
    if (!error.empty()) reportFailure(path, error);
}

void FileCommands::saveJournalText() {
    if (!state_.journalLoaded) return;
    const auto pw = vorsan::padAndWell(state_.catalogue);
    SaveRequest request{QStringLiteral("Сохранение журнала в текстовый файл"),
                        kTextFilters,
                        0,
                        proposedName(state_.catalogue),
                        {QStringLiteral("txt")}};
    const QString path = dialogs_.save(window_, request);
    if (path.isEmpty()) return;
    const auto text = vorsan::journalTextFile(state_.journal, state_.journalRows,
                                              window_->windowTitle().toStdString(), pw.pad, pw.well);
    const auto error = vorsan::writeWholeFile(fsPath(path), text.bytes);
    if (!error.empty()) reportFailure(path, error);
}

void FileCommands::loadSettings() {
    const QString path =
        dialogs_.open(window_, CommandSet::caption(Command::LoadSettingsFile), kSettingsOpenFilter);
    if (!path.isEmpty()) loadSettingsFile(path);
}

bool FileCommands::loadSettingsFile(const QString& path) {
    // The title names the file before it is read and keeps naming it when the file is refused.
    const QString title = kSettingsTitlePrefix + QDir::toNativeSeparators(path);
    views_.settingsPage()->setTitle(title);
    auto load =
        vorsan::loadSettingsFile(fsPath(path), state_.loadedGeneration, [this] { return askForeignFile(); });
    if (!opened(path, load.status, load.error)) return false;
    views_.showSettings(load.file.catalogue, title);
    if (load.file.state)
        views_.showCurrentState(*load.file.state);
    else
        views_.currentStatePage()->clearValues();
    auto* pages = pages_;
    if (pages->currentIndex() == kSettingsPage)
        views_.settingsPage()->pageShown();
    else
        pages->setCurrentIndex(kSettingsPage);
    return true;
}

void FileCommands::saveSettings() {
    if (!vorsan::hasAnySettingValue(state_.catalogue)) {
        QMessageBox::critical(window_, QStringLiteral("Ошибка"),
                              QString::fromUtf8(vorsan::kNoSettingsValuesMessage));
        return;
    }
    SaveRequest request{CommandSet::caption(Command::SaveSettingsFile), kSettingsSaveFilters,
                        filterOf(state_.catalogue.generation),
                        QString::fromStdString(vorsan::proposedSettingsFileName(state_.catalogue)), kSettingsSuffixes};
    const QString path = dialogs_.save(window_, request);
    if (path.isEmpty()) return;
    const auto saved = vorsan::saveSettingsFile(fsPath(path), state_.catalogue, state_.currentState);
    if (saved.status == vorsan::SettingsSaveStatus::noValues)
        QMessageBox::critical(window_, QStringLiteral("Ошибка"),
                              QString::fromUtf8(vorsan::kNoSettingsValuesMessage));
    else if (saved.status == vorsan::SettingsSaveStatus::unwritable)
        reportFailure(path, saved.error);
}
