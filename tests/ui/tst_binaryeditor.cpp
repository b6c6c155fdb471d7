#include "app/app.h"
#include "input/binarydialog.h"
#include "input/binaryeditor.h"

#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTranslator>

#include <functional>

namespace {

// Sends one key press and release carrying text, as a keyboard of any
// layout would.
void type(QWidget* widget, const QString& text) {
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &release);
    }
}

QString sizeText(const BinaryDialog& dialog) {
    const QList<QLabel*> labels = dialog.findChildren<QLabel*>();
    for (const QLabel* label : labels) {
        if (label->text().startsWith(QLatin1String("Size")))
            return label->text();
    }
    return QString();
}

// Runs BinaryDialog::get with the dialog driven by action from inside its
// modal loop; a stuck dialog is rejected after a while so the test ends.
QByteArray runGet(int maxDataSize, const std::function<void(BinaryDialog*)>& action) {
    QTimer::singleShot(0, qApp, [action] {
        auto* dialog = qobject_cast<BinaryDialog*>(QApplication::activeModalWidget());
        if (dialog)
            action(dialog);
    });
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, qApp, [] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            dialog->done(-1);
    });
    watchdog.start(5000);
    return BinaryDialog::get(maxDataSize, nullptr);
}

} // namespace

class TestBinaryEditor : public QObject {
    Q_OBJECT
private slots:
    void validateSymbol_data();
    void validateSymbol();
    void typing_data();
    void typing();
    void paste_data();
    void paste();
    void sizes_data();
    void sizes();
    void setData();
    void returnAcceptsOnRelease();
    void rejected_data();
    void rejected();
    void russianCatalogue();
};

void TestBinaryEditor::validateSymbol_data() {
    QTest::addColumn<QChar>("c");
    QTest::addColumn<bool>("valid");
    for (char c : QByteArray("0123456789abcdefABCDEF "))
        QTest::addRow("'%c'", c) << QChar::fromLatin1(c) << true;
    for (char c : QByteArray("gxGX,.;-+_!"))
        QTest::addRow("'%c'", c) << QChar::fromLatin1(c) << false;
    QTest::newRow("tab") << QChar(u'\t') << true;
    QTest::newRow("line feed") << QChar(u'\n') << true;
    QTest::newRow("backspace") << QChar(u'\b') << true;
    QTest::newRow("cyrillic a") << QChar(u'а') << false;
    QTest::newRow("fullwidth 1") << QChar(u'１') << false;
    QTest::newRow("arabic-indic 1") << QChar(u'١') << false;
}

void TestBinaryEditor::validateSymbol() {
    QFETCH(QChar, c);
    QFETCH(bool, valid);
    QCOMPARE(BinaryEditor::validateSymbol(c), valid);
}

void TestBinaryEditor::typing_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("text");
    QTest::newRow("hex digits") << "09afAF "
                                << "09afAF ";
    QTest::newRow("g x comma") << "1g2x3,"
                               << "123";
    QTest::newRow("cyrillic") << "аб0вc"
                              << "0c";
    QTest::newRow("prefix") << "0x01"
                            << "001";
}

void TestBinaryEditor::typing() {
    QFETCH(QString, typed);
    QFETCH(QString, text);
    BinaryEditor editor;
    type(&editor, typed);
    QCOMPARE(editor.toPlainText(), text);

    // editing keys still reach the editor
    QTest::keyClick(&editor, Qt::Key_Backspace);
    QCOMPARE(editor.toPlainText(), text.chopped(1));
}

void TestBinaryEditor::paste_data() {
    QTest::addColumn<QString>("clip");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("spaced") << "01 02 03"
                            << "01 02 03" << QByteArray("\x01\x02\x03");
    QTest::newRow("0x prefix") << "0x01"
                               << "" << QByteArray();
    QTest::newRow("line break") << "0a\n0b"
                                << "0a\n0b" << QByteArray("\x0a\x0b");
    QTest::newRow("one bad char at end") << "0102030405z"
                                         << "" << QByteArray();
    QTest::newRow("cyrillic") << "0а"
                              << "" << QByteArray();
}

void TestBinaryEditor::paste() {
    QFETCH(QString, clip);
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    BinaryEditor editor;
    QApplication::clipboard()->setText(clip);
    QCOMPARE(QApplication::clipboard()->text(), clip);
    editor.paste();
    QCOMPARE(editor.toPlainText(), text);
    QCOMPARE(editor.data(), bytes);
}

void TestBinaryEditor::sizes_data() {
    QTest::addColumn<int>("max");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QByteArray>("data");
    QTest::newRow("padded") << 4 << "0102"
                            << "Size: 2/4" << QByteArray("\x01\x02\x00\x00", 4);
    QTest::newRow("cut") << 4 << "0102030405"
                         << "Size: 5/4" << QByteArray("\x01\x02\x03\x04");
    QTest::newRow("empty fixed") << 3 << ""
                                 << "Size: 0/3" << QByteArray(3, '\0');
    QTest::newRow("no maximum") << 0 << ""
                                << "Size: 0" << QByteArray();
    QTest::newRow("odd, no maximum") << 0 << "abc"
                                     << "Size: 2" << QByteArray("\x0a\xbc");
    QTest::newRow("negative maximum") << -5 << "01 02"
                                      << "Size: 2" << QByteArray("\x01\x02");
}

void TestBinaryEditor::sizes() {
    QFETCH(int, max);
    QFETCH(QString, text);
    QFETCH(QString, label);
    QFETCH(QByteArray, data);
    BinaryDialog dialog;
    dialog.setMaxDataSize(max);
    QCOMPARE(dialog.maxDataSize(), max);
    auto* editor = dialog.findChild<BinaryEditor*>();
    QVERIFY(editor);
    editor->setFocus();
    type(editor, text);
    QCOMPARE(sizeText(dialog), label);
    QCOMPARE(dialog.data(), data);
}

void TestBinaryEditor::setData() {
    BinaryDialog dialog;
    dialog.setData(QByteArray("\x01\xab"));
    auto* editor = dialog.findChild<BinaryEditor*>();
    QVERIFY(editor);
    QCOMPARE(editor->toPlainText(), QStringLiteral("01ab"));
    QCOMPARE(sizeText(dialog), QStringLiteral("Size: 2"));
    QCOMPARE(dialog.windowTitle(), app::name() + QStringLiteral(": Binary input"));
}

void TestBinaryEditor::returnAcceptsOnRelease() {
    bool pressKeptOpen = false;
    QString textAfterPress;
    const QByteArray bytes = runGet(4, [&](BinaryDialog* dialog) {
        auto* editor = dialog->findChild<BinaryEditor*>();
        if (!editor)
            return;
        type(editor, QStringLiteral("0102"));
        QTest::keyPress(editor, Qt::Key_Return);
        pressKeptOpen = dialog->isVisible();
        textAfterPress = editor->toPlainText();
        QTest::keyRelease(editor, Qt::Key_Return);
    });
    QVERIFY(pressKeptOpen);
    QCOMPARE(textAfterPress, QStringLiteral("0102"));
    QCOMPARE(bytes, QByteArray("\x01\x02\x00\x00", 4));

    // Enter of the keypad works the same; the OK button too
    QCOMPARE(runGet(0,
                    [](BinaryDialog* dialog) {
                        auto* editor = dialog->findChild<BinaryEditor*>();
                        type(editor, QStringLiteral("ff"));
                        QTest::keyClick(editor, Qt::Key_Enter);
                    }),
             QByteArray("\xff"));
    QCOMPARE(
        runGet(2,
               [](BinaryDialog* dialog) {
                   dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
               }),
        QByteArray(2, '\0'));
}

void TestBinaryEditor::rejected_data() {
    QTest::addColumn<int>("how");
    QTest::newRow("escape") << 0;
    QTest::newRow("cancel") << 1;
    QTest::newRow("close") << 2;
}

void TestBinaryEditor::rejected() {
    QFETCH(int, how);
    bool ran = false;
    const QByteArray bytes = runGet(4, [&](BinaryDialog* dialog) {
        auto* editor = dialog->findChild<BinaryEditor*>();
        type(editor, QStringLiteral("0102"));
        ran = true;
        if (how == 0)
            QTest::keyClick(editor, Qt::Key_Escape);
        else if (how == 1)
            dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click();
        else
            dialog->close();
    });
    QVERIFY(ran);
    QVERIFY(bytes.isEmpty());
}

void TestBinaryEditor::russianCatalogue() {
    QVERIFY(QFile::exists(QStringLiteral(":/main_ru.qm")));
    QTranslator translator;
    QVERIFY(translator.load(QStringLiteral(":/main_ru.qm")));
    QCOMPARE(translator.language(), QStringLiteral("ru_RU"));
    QVERIFY(QCoreApplication::installTranslator(&translator));
    BinaryDialog dialog;
    QStringList texts;
    for (const QLabel* label : dialog.findChildren<QLabel*>())
        texts << label->text();
    QCoreApplication::removeTranslator(&translator);
    QVERIFY2(texts.contains(QStringLiteral("Двоичные данные:")), qPrintable(texts.join('|')));
    QVERIFY2(texts.contains(QStringLiteral("Размер: 0")), qPrintable(texts.join('|')));
    // the title pattern stays as it is
    QCOMPARE(dialog.windowTitle(), app::name() + QStringLiteral(": Binary input"));
    QVERIFY(!translator.translate("at", "Timeout").isEmpty());
}

QTEST_MAIN(TestBinaryEditor)
#include "tst_binaryeditor.moc"
