// The widgets on their own: the input line's history and recall, the payload editor, the port
// chooser, the icons. Extra ports are plain files of the test's own: a pseudo-terminal that
// vanished would hand its number to the next one opened anywhere on the machine.

#include "common/datafiles.h"
#include "input/binarydialog.h"
#include "input/binaryeditor.h"
#include "input/inputedit.h"
#include "input/inputhistory.h"
#include "svg/svg.h"
#include "widgets/serialport/portnamecombo.h"

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSerialPortInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using wdt::serialport::PortNameCombo;

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

QStringList numbered(int count) {
    QStringList list;
    for (int i = 0; i < count; ++i)
        list << QStringLiteral("AT+N=%1").arg(i);
    return list;
}

} // namespace

class TestWidgets : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_file = m_dir.filePath(QStringLiteral("history.json"));
    QString path(const char* name) const { return m_dir.filePath(QLatin1String(name)); }
    static bool touch(const QString& path) { return QFile(path).open(QIODevice::WriteOnly); }
    static QStringList names(const PortNameCombo& combo) {
        QStringList names;
        for (int i = 0; i < combo.count(); ++i)
            names << combo.itemData(i).toString();
        return names;
    }

private slots:
    void initTestCase() {
        QCoreApplication::setOrganizationName(QStringLiteral("Tavrosk"));
        QCoreApplication::setApplicationName(QStringLiteral("Kelvra"));
    }

    // The newest 1000 are written; empty lines are written but not recalled; loading does not
    // cut, and a history that changed nothing leaves its file alone.
    void historyFile() {
        const QStringList all =
            QStringList{"OLD1", "OLD2", "привет \\ \t \"end\"", ""} + numbered(998);
        InputHistory history;
        for (const QString& line : all)
            history.add(line);
        QVERIFY(history.save(m_file));
        QVERIFY(!history.modified);
        InputHistory loaded;
        QVERIFY(loaded.restore(m_file));
        QCOMPARE(loaded.entries, QStringList(all.mid(2)).filter(QRegularExpression(".")));
        QCOMPARE(loaded.current, 999);
        QVERIFY(!loaded.restore(m_dir.filePath(QStringLiteral("missing.json"))));

        const QByteArray many = QJsonDocument(QJsonArray::fromStringList(numbered(1200))).toJson();
        QVERIFY(test::writeFile(m_file, many));
        QFile(m_file).setFileTime(QDateTime::currentDateTime().addDays(-3),
                                  QFileDevice::FileModificationTime);
        const QDateTime before = QFileInfo(m_file).lastModified();
        InputHistory untouched;
        QVERIFY(untouched.restore(m_file));
        QVERIFY(untouched.save(m_file));
        QCOMPARE(untouched.entries.size(), 1200);
        QCOMPARE(QFileInfo(m_file).lastModified(), before);
        // A failed write is reported and leaves the old file, and the additions for later.
        loaded.add("NEW");
        QVERIFY(!test::saveUnderSizeLimit(64, [&] { return loaded.save(m_file); }));
        QVERIFY(loaded.modified);
        QCOMPARE(test::readFile(m_file), many);
    }

    // Recall on key release, no wrap at either end, the line kept past the newest; the
    // history is saved on the way out.
    void historyRecall() {
        QFile::remove(InputHistory::filename());
        {
            InputEdit edit;
            QTest::keyRelease(&edit, Qt::Key_Up); // nothing to recall on a first run
            QVERIFY(edit.text().isEmpty());
            for (const char* line : {"A", "B", ""}) {
                edit.setText(QString::fromLatin1(line));
                QCOMPARE(edit.input(), QString::fromLatin1(line));
                QVERIFY(edit.text().isEmpty());
            }
        }
        QCOMPARE(QJsonDocument::fromJson(test::readFile(InputHistory::filename())).array(),
                 QJsonArray({"A", "B", ""}));
        InputEdit edit;
        edit.setText(QStringLiteral("C"));
        edit.input();
        QTest::keyPress(&edit, Qt::Key_Up);
        QVERIFY(edit.text().isEmpty());
        const QString keys = QStringLiteral("UUUUDDD"), texts = QStringLiteral("CBAABCC");
        for (int i = 0; i < keys.size(); ++i) {
            QTest::keyRelease(&edit, keys[i] == QLatin1Char('U') ? Qt::Key_Up : Qt::Key_Down);
            QCOMPARE(edit.text(), QString(texts[i]));
        }
    }

    // Only hex digits and spaces get in; a paste is all or nothing.
    void payloadTyping() {
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

    // The choice stays while other ports come and go; when it vanishes, the first port takes
    // over and is announced. Empty parts, missing paths and repeats are left out.
    void portChooser() {
        QStringList platform;
        for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
            platform << info.portName();
        QVERIFY(touch(path("a")) && touch(path("b")));
        qputenv("KELVRA_EXTRA_PORTS",
                QStringList{"", path("plugged"), path("a"), path("b"), path("a")}
                    .join(':')
                    .toLocal8Bit());
        PortNameCombo combo;
        QCOMPARE(names(combo), (QStringList{path("a"), path("b")} + platform));
        QCOMPARE(combo.currentIndex(), 0);
        QCOMPARE(combo.itemText(1), path("b") + " (virtual)");
        QSignalSpy spy(&combo, &PortNameCombo::portNameChanged);
        combo.setCurrentIndex(1); // as the user picks
        combo.setPortName(path("a"));
        combo.setPortName(QStringLiteral("/dev/not-listed"));
        QCOMPARE(combo.portName(), path("a"));
        QCOMPARE(spy.count(), 2);
        QCOMPARE(spy.at(0).at(0).toString(), path("b"));

        QVERIFY(QFile::remove(path("b")) && touch(path("plugged")));
        combo.updateList();
        QCOMPARE(names(combo), (QStringList{path("a")} + platform + QStringList{path("plugged")}));
        QCOMPARE(combo.portName(), path("a"));
        QCOMPARE(spy.count(), 2);

        QVERIFY(QFile::remove(path("a")));
        combo.updateList();
        QCOMPARE(names(combo), (platform + QStringList{path("plugged")}));
        QCOMPARE(combo.currentIndex(), 0);
        QCOMPARE(spy.last().at(0).toString(), names(combo).first());

        // The list refreshes by itself.
        QVERIFY(touch(path("late")));
        qputenv("KELVRA_EXTRA_PORTS", path("late").toLocal8Bit());
        QTRY_VERIFY_WITH_TIMEOUT(combo.contains(path("late")) && !combo.contains(path("plugged")),
                                 10000);
    }

    // A built-in icon drawn inside its margins; files stack with the first at the bottom;
    // anything unreadable gives nothing.
    void render() {
        const QImage image =
            svg::render(QStringLiteral(":/plus.svg"), QSize(64, 64), QMargins(1, 2, 3, 4))
                .toImage();
        QCOMPARE(image.size(), QSize(68, 70));
        for (const QPoint& p : {QPoint(33, 34), QPoint(33, 3), QPoint(63, 34)})
            QCOMPARE(image.pixelColor(p), QColor(0x00, 0x8b, 0x8b));
        for (const QPoint& p : {QPoint(11, 12), QPoint(0, 34), QPoint(33, 1), QPoint(66, 34)})
            QCOMPARE(image.pixelColor(p).alpha(), 0);
        QCOMPARE(svg::render(QStringList{":/plus.svg"}, 16, 8).size(), QSize(16, 8));
        QVERIFY(svg::render(QStringList{":/plus.svg", ":/no.svg"}, 16).isNull());
    }
};

QTEST_MAIN(TestWidgets)
#include "tst_widgets.moc"
