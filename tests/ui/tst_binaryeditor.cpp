// The payload editor and dialog: what typing and pasting let in, sizes, closing keys.

#include "input/binarydialog.h"
#include "input/binaryeditor.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QTest>
#include <QTimer>

namespace {

// One key press and release carrying text, as a keyboard of any layout sends.
void type(QWidget* widget, const QString& text) {
    for (const QChar c : text) {
        for (QEvent::Type t : {QEvent::KeyPress, QEvent::KeyRelease}) {
            QKeyEvent event(t, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QApplication::sendEvent(widget, &event);
        }
    }
}

} // namespace

class TestBinaryEditor : public QObject {
    Q_OBJECT
private slots:
    void typingAndPaste() {
        BinaryEditor editor;
        type(&editor, QStringLiteral("01g2x3,а9c\tF 0x01"));
        QCOMPARE(editor.toPlainText(), QStringLiteral("01239c\tF 001"));
        QTest::keyClick(&editor, Qt::Key_Backspace); // editing keys still reach the editor
        QCOMPARE(editor.toPlainText(), QStringLiteral("01239c\tF 00"));
        // A paste is all or nothing.
        for (const QString& clip : {QStringLiteral("0102030405z"), QStringLiteral("0x01")}) {
            editor.clear();
            QApplication::clipboard()->setText(clip);
            editor.paste();
            QVERIFY(editor.toPlainText().isEmpty());
        }
        QApplication::clipboard()->setText(QStringLiteral("0a\n0b 0c"));
        editor.paste();
        QCOMPARE(editor.data(), QByteArray("\x0a\x0b\x0c"));
    }

    // With a maximum, exactly that many bytes, zero-padded or cut; without one, as typed, an
    // odd digit standing alone.
    void sizes() {
        BinaryDialog dialog;
        dialog.setMaxDataSize(4);
        auto* editor = dialog.findChild<BinaryEditor*>();
        type(editor, QStringLiteral("0102"));
        QCOMPARE(dialog.data(), QByteArray("\x01\x02\0\0", 4));
        type(editor, QStringLiteral("0304 05"));
        QCOMPARE(dialog.data(), QByteArray("\x01\x02\x03\x04"));
        QStringList labels;
        for (const QLabel* label : dialog.findChildren<QLabel*>())
            labels << label->text();
        QVERIFY2(labels.contains(QStringLiteral("Size: 5/4")), qPrintable(labels.join('|')));
        dialog.setMaxDataSize(0);
        editor->clear();
        type(editor, QStringLiteral("abc"));
        QCOMPARE(dialog.data(), QByteArray("\x0a\xbc"));
    }

    // Return accepts on its release, Escape rejects.
    void closingKeys() {
        for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
            bool pressKeptOpen = false;
            QTimer::singleShot(0, this, [&] {
                auto* dialog = qobject_cast<BinaryDialog*>(QApplication::activeModalWidget());
                auto* editor = dialog ? dialog->findChild<BinaryEditor*>() : nullptr;
                QVERIFY(editor);
                type(editor, QStringLiteral("0102"));
                QTest::keyPress(editor, key);
                pressKeptOpen = dialog->isVisible();
                QTest::keyRelease(editor, key);
                if (dialog->isVisible())
                    dialog->done(-1);
            });
            const QByteArray got = BinaryDialog::get(4, nullptr);
            QCOMPARE(got, key == Qt::Key_Return ? QByteArray("\x01\x02\0\0", 4) : QByteArray());
            QVERIFY(pressKeptOpen || key == Qt::Key_Escape);
        }
    }
};

QTEST_MAIN(TestBinaryEditor)
#include "tst_binaryeditor.moc"
