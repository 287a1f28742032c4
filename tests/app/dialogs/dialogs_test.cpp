// The parameters dialog, the progress window and the about box.
#include "dialogs/about_dialog.h"
#include "dialogs/parameters_dialog.h"
#include "dialogs/progress_window.h"
#include "window/translations.h"

#include <QApplication>
#include <QDialogButtonBox>

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

class DialogsTest : public QObject {
    Q_OBJECT
private slots:
    void paramFormItems();
    void paramFormSelectsTheCurrentSpeed();
    void paramFormOkAndCancel();
    void progressWindow();
    void aboutBox();
    void standardButtonsSpeakRussian();
};

void DialogsTest::paramFormItems() {
    ParametersDialog f;
    QCOMPARE(f.windowTitle(), QStringLiteral("Параметры"));
    QVERIFY(!f.isModal());
    auto* group = f.findChild<QGroupBox*>();
    QCOMPARE(group->title(), QStringLiteral("Скорость обмена с регистратором"));
    const QStringList expected{"115200", "57600", "38400", "19200", "14400", "9600"};
    auto* grid = qobject_cast<QGridLayout*>(group->layout());
    QVERIFY(grid);
    QCOMPARE(grid->columnCount(), 2);
    for (int i = 0; i < 6; ++i) {
        QCOMPARE(f.item(i)->text(), expected[i]);
        int row, column, rs, cs;
        grid->getItemPosition(grid->indexOf(f.item(i)), &row, &column, &rs, &cs);
        QCOMPARE(column, i / 3); // filled column by column
        QCOMPARE(row, i % 3);
    }
    QStringList buttons;
    for (auto* b : f.findChildren<QPushButton*>())
        buttons << b->text();
    QCOMPARE(buttons, (QStringList{"OK", "Cancel"}));
}

void DialogsTest::paramFormSelectsTheCurrentSpeed() {
    ParametersDialog f;
    f.showFor(57600);
    QVERIFY(f.item(1)->isChecked());
    QCOMPARE(f.selectedSpeed(), 57600u);
    f.hide();
    f.showFor(4800); // none of the six: the fourth item
    QVERIFY(f.item(3)->isChecked());
    QCOMPARE(f.selectedSpeed(), 19200u);
}

void DialogsTest::paramFormOkAndCancel() {
    ParametersDialog f;
    QSignalSpy chosen(&f, &ParametersDialog::speedChosen);
    f.showFor(9600);
    f.item(0)->setChecked(true);
    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;
    for (auto* b : f.findChildren<QPushButton*>())
        (b->text() == "OK" ? ok : cancel) = b;
    cancel->click();
    QCOMPARE(chosen.count(), 0);
    QVERIFY(!f.isVisible());
    f.showFor(9600);
    f.item(0)->setChecked(true);
    ok->click();
    QCOMPARE(chosen.count(), 1);
    QCOMPARE(chosen.at(0).at(0).value<std::uint32_t>(), 115200u);
    QVERIFY(!f.isVisible());
}

void DialogsTest::progressWindow() {
    ProgressWindow p;
    QCOMPARE(p.windowTitle(), QStringLiteral("Чтение данных..."));
    QVERIFY(p.windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(!(p.windowFlags() & Qt::WindowCloseButtonHint));
    p.setRange(0, 247);
    p.showCentred();
    QCOMPARE(p.width(), 300);
    QVERIFY(p.height() >= 55);
    QVERIFY(!p.cancelButton()->isVisible());
    for (int i = 0; i < 3; ++i)
        p.step();
    QCOMPARE(p.value(), 3);
    p.setRange(0, 1);
    p.step();
    p.step(); // never beyond the end
    QCOMPARE(p.value(), 1);

    p.setCancelVisible(true);
    QVERIFY(p.cancelButton()->isVisible());
    QCOMPARE(p.cancelButton()->text(), QStringLiteral("Отмена"));
    QSignalSpy cancelled(&p, &ProgressWindow::cancelled);
    QVERIFY(!p.cancelRequested());
    p.cancelButton()->click();
    QVERIFY(p.cancelRequested());
    QCOMPARE(cancelled.count(), 1);
    QTest::keyClick(&p, Qt::Key_Escape); // Esc presses "Отмена"
    QCOMPARE(cancelled.count(), 2);
    p.setCancelEnabled(false); // a transfer that cannot stop midway: neither works
    QTest::keyClick(&p, Qt::Key_Escape);
    QCOMPARE(cancelled.count(), 2);

    for (const auto& [seconds, text] : {std::pair{39, "Осталось: 0:39"}, std::pair{125, "Осталось: 2:05"},
                                        std::pair{0, ""}}) {
        p.setRemaining(seconds);
        QCOMPARE(p.remainingText(), QString::fromUtf8(text));
    }
}

void DialogsTest::aboutBox() {
    AboutDialog a;
    QStringList texts;
    for (auto* l : a.findChildren<QLabel*>())
        texts << l->text();
    QVERIFY(texts.contains(QStringLiteral("ВОРСАН 4.074 ")));
    auto buttons = a.findChildren<QPushButton*>();
    QCOMPARE(buttons.size(), 1);
    QCOMPARE(buttons[0]->text(), QStringLiteral("Закрыть"));
    a.show();
    buttons[0]->click();
    QVERIFY(!a.isVisible());
}

void DialogsTest::standardButtonsSpeakRussian() {
    QVERIFY(installRussianTranslations(*qApp));
    QDialogButtonBox box(QDialogButtonBox::Cancel | QDialogButtonBox::Yes);
    QCOMPARE(box.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Отмена"));
    QCOMPARE(box.button(QDialogButtonBox::Yes)->text().remove(QLatin1Char('&')), QStringLiteral("Да"));
}

QTEST_MAIN(DialogsTest)
#include "dialogs_test.moc"
