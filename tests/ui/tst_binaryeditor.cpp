#include "input/binarydialog.h"
#include "input/binaryeditor.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLabel>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

// One key press and release carrying text, as a keyboard of any layout sends.
void type(QWidget* widget, const QString& text) {
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &release);
    }
}

// BinaryDialog::get with action run inside its modal loop; a stuck dialog is
// rejected after a while so the test ends.
QByteArray runGet(int maxDataSize,
                  const std::function<void(BinaryDialog*, BinaryEditor*)>& action) {
    QTimer::singleShot(0, qApp, [action] {
        if (auto* dialog = qobject_cast<BinaryDialog*>(QApplication::activeModalWidget()))
            action(dialog, dialog->findChild<BinaryEditor*>());
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
    void characters_data();
    void characters();
    void typing();
    void paste_data();
    void paste();
    void sizes();
    void closingKeys_data();
    void closingKeys();
};

void TestBinaryEditor::characters_data() {
    QTest::addColumn<QString>("chars");
    QTest::addColumn<bool>("valid");
    QTest::newRow("hex digits") << "0123456789abcdefABCDEF" << true;
    QTest::newRow("spacing and editing") << " \t\n\b" << true;
    QTest::newRow("other latin") << "gxGX,.;-+_!" << false;
    QTest::newRow("digits of other scripts") << "а１١" << false;
}

void TestBinaryEditor::characters() {
    QFETCH(QString, chars);
    QFETCH(bool, valid);
    for (const QChar c : chars)
        QVERIFY2(BinaryEditor::validateSymbol(c) == valid, qPrintable(QString(c)));
}

void TestBinaryEditor::typing() {
    BinaryEditor editor;
    type(&editor, QStringLiteral("1g2x3,аc 0x01"));
    QCOMPARE(editor.toPlainText(), QStringLiteral("123c 001"));
    QTest::keyClick(&editor, Qt::Key_Backspace); // editing keys still reach the editor
    QCOMPARE(editor.toPlainText(), QStringLiteral("123c 00"));
}

void TestBinaryEditor::paste_data() {
    QTest::addColumn<QString>("clip");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("spaced") << "01 02 03" << QByteArray("\x01\x02\x03");
    QTest::newRow("line break") << "0a\n0b" << QByteArray("\x0a\x0b");
    QTest::newRow("0x prefix") << "0x01" << QByteArray();
    QTest::newRow("one bad char at the end") << "0102030405z" << QByteArray();
}

void TestBinaryEditor::paste() {
    QFETCH(QString, clip);
    QFETCH(QByteArray, bytes);
    BinaryEditor editor;
    QApplication::clipboard()->setText(clip);
    editor.paste();
    // all or nothing
    QCOMPARE(editor.toPlainText(), bytes.isEmpty() ? QString() : clip);
    QCOMPARE(editor.data(), bytes);
}

void TestBinaryEditor::sizes() {
    // with a maximum, exactly that many bytes: zero-padded or cut
    BinaryDialog dialog;
    dialog.setMaxDataSize(4);
    auto* editor = dialog.findChild<BinaryEditor*>();
    QVERIFY(editor);
    type(editor, QStringLiteral("0102"));
    QCOMPARE(dialog.data(), QByteArray("\x01\x02\0\0", 4));
    type(editor, QStringLiteral("0304 05"));
    QCOMPARE(dialog.data(), QByteArray("\x01\x02\x03\x04"));
    QStringList labels;
    for (const QLabel* label : dialog.findChildren<QLabel*>())
        labels << label->text();
    QVERIFY2(labels.contains(QStringLiteral("Size: 5/4")), qPrintable(labels.join('|')));
    // without one, as typed; an odd digit stands alone
    dialog.setMaxDataSize(0);
    editor->clear();
    type(editor, QStringLiteral("abc"));
    QCOMPARE(dialog.data(), QByteArray("\x0a\xbc"));
}

void TestBinaryEditor::closingKeys_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("Return accepts on release")
        << int(Qt::Key_Return) << QByteArray("\x01\x02\0\0", 4);
    QTest::newRow("Escape rejects") << int(Qt::Key_Escape) << QByteArray();
}

void TestBinaryEditor::closingKeys() {
    QFETCH(int, key);
    QFETCH(QByteArray, bytes);
    bool pressKeptOpen = false;
    bool closed = false;
    const QByteArray got = runGet(4, [&](BinaryDialog* dialog, BinaryEditor* editor) {
        type(editor, QStringLiteral("0102"));
        QTest::keyPress(editor, Qt::Key(key));
        pressKeptOpen = dialog->isVisible() && editor->toPlainText() == QLatin1String("0102");
        QTest::keyRelease(editor, Qt::Key(key));
        closed = !dialog->isVisible();
    });
    QVERIFY(pressKeptOpen || key == Qt::Key_Escape);
    QVERIFY(closed);
    QCOMPARE(got, bytes);
}

QTEST_MAIN(TestBinaryEditor)
#include "tst_binaryeditor.moc"
