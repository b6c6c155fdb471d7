// The window's parts on their own: the input line's history, the payload editor, the user command
// list with its model and file, the port chooser, the icons. Extra ports are plain files: a
// pseudo-terminal that vanished would hand its number to the next one opened on the machine.

#include "app/dir.h"
#include "common/datafiles.h"
#include "input/binarydialog.h"
#include "input/binaryeditor.h"
#include "input/inputedit.h"
#include "input/inputhistory.h"
#include "svg/svg.h"
#include "usercommands/usercommandmodel.h"
#include "usercommands/usercommands.h"
#include "widgets/serialport/portnamecombo.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QInputDialog>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSerialPortInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTimer>

using wdt::serialport::PortNameCombo;

namespace {

constexpr quint32 maxPeriod = std::numeric_limits<quint32>::max();
UserCommands& list = UserCommands::_self;

void fill(int count) {
    for (int i = 0; i < count; ++i)
        list.command(list.append()).setValue(QStringLiteral("c%1").arg(i));
}

QString values() {
    QStringList result;
    for (int i = 0; i < list.size(); ++i)
        result << list.command(i).value() + '/' + QString::number(list.command(i).period());
    return result.join(' ');
}

// The file another window writes: "value/period" (or "value", period 1000) by spaces.
QByteArray commandsJson(const QString& rows) {
    QJsonArray array;
    for (const QString& row : rows.split(' ', Qt::SkipEmptyParts))
        array.append(QJsonObject{
            {"value", row.section('/', 0, 0)},
            {"period", row.section('/', 1).isEmpty() ? 1000 : row.section('/', 1).toInt()},
            {"auto", false}});
    return QJsonDocument(array).toJson();
}

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

class TestWidgets : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_file = m_dir.filePath(QStringLiteral("history.json"));
    QString m_path; // of the user commands
    QString path(const char* name) const { return m_dir.filePath(QLatin1String(name)); }
    static bool touch(const QString& path) { return QFile(path).open(QIODevice::WriteOnly); }
    // The ports listed, above "Other port...".
    static QStringList names(const PortNameCombo& combo) {
        QStringList names;
        for (int i = 0; i < combo.count() - 1; ++i)
            names << combo.itemData(i).toString();
        return names;
    }

private slots:
    void initTestCase() {
        test::setIdentity();
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_dir.filePath(QStringLiteral("data"))));
        m_path = dir::filename(key::filename);
        QVERIFY(m_path.startsWith(m_dir.path()));
    }
    // The list is program-wide: every test starts from an empty, unmarked one.
    void init() {
        QFile::remove(m_path);
        list.restore();
    }

    // The newest 1000 are written; empty lines are written but not recalled.
    void historyFile() {
        QStringList all{"OLD1", "OLD2", "привет \\ \t \"end\"", ""};
        for (int i = 0; i < 998; ++i)
            all << QStringLiteral("AT+N=%1").arg(i);
        InputHistory history;
        for (const QString& line : all)
            history.add(line);
        QVERIFY(history.save(m_file) && !history.modified);
        InputHistory loaded;
        QVERIFY(loaded.restore(m_file));
        QCOMPARE(loaded.entries, QStringList(all.mid(2)).filter(QRegularExpression(".")));
        QCOMPARE(loaded.current, 999);
        QVERIFY(!loaded.restore(m_dir.filePath(QStringLiteral("missing.json"))));
        // A failed write is reported and leaves the old file, and the additions for later.
        loaded.add("NEW");
        const QByteArray old = test::readFile(m_file);
        QVERIFY(!test::saveUnderSizeLimit(64, [&] { return loaded.save(m_file); }));
        QVERIFY(loaded.modified);
        QCOMPARE(test::readFile(m_file), old);
    }

    // Two windows share the file: the one closed last keeps the other's lines, its own after
    // them, the newest 1000; a file that turned unreadable meanwhile is left as it is.
    void historyTwoWindows_data() {
        // clang-format off
        // before: entries in the file at start; damage: written between the two closes
        QTest::addColumn<int>("before"); QTest::addColumn<bool>("firstClosesFirst");
        QTest::addColumn<QByteArray>("damage");
        QTest::newRow("first closed first") << 2 << true << QByteArray();
        QTest::newRow("second closed first") << 2 << false << QByteArray();
        QTest::newRow("no file at start") << 0 << true << QByteArray();
        QTest::newRow("the newest 1000") << 997 << true << QByteArray();
        QTest::newRow("not a JSON array meanwhile") << 2 << true << QByteArray("{\"x\": 1}");
    }
    void historyTwoWindows() {
        QFETCH(int, before); QFETCH(bool, firstClosesFirst); QFETCH(QByteArray, damage);
        // clang-format on
        const QString file = InputHistory::filename();
        QVERIFY(QDir().mkpath(QFileInfo(file).path()));
        QFile::remove(file);
        QStringList old;
        for (int i = 0; i < before; ++i)
            old << QStringLiteral("OLD%1").arg(i);
        if (before > 0)
            QVERIFY(test::writeFile(file, QJsonDocument(QJsonArray::fromStringList(old)).toJson()));
        auto first = std::make_unique<InputEdit>(), second = std::make_unique<InputEdit>();
        for (const QString line : {"A1", "B1", "A2", "B2"}) {
            InputEdit& edit = line[0] == 'A' ? *first : *second;
            edit.setText(line);
            edit.input();
        }
        (firstClosesFirst ? first : second).reset();
        if (!damage.isEmpty())
            QVERIFY(test::writeFile(file, damage));
        (firstClosesFirst ? second : first).reset();
        if (!damage.isEmpty()) {
            QCOMPARE(test::readFile(file), damage);
            return;
        }
        const QStringList a{"A1", "A2"}, b{"B1", "B2"};
        const QStringList all = old + (firstClosesFirst ? a + b : b + a);
        QCOMPARE(QJsonDocument::fromJson(test::readFile(file)).array().toVariantList(),
                 QVariant(all.mid(qMax(0, int(all.size()) - 1000))).toList());
    }

    // Recall on key release, no wrap at either end, the line kept past the newest.
    void historyRecall() {
        QVERIFY(QDir().mkpath(QFileInfo(InputHistory::filename()).path()));
        QVERIFY(test::writeFile(InputHistory::filename(), R"(["A", "B", ""])"));
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

    // Removal is announced in runs from the back; the model follows every change.
    void modelFollowsList() {
        UserCommandModel model;
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        fill(8);
        QVERIFY(list.save());
        QStringList runs;
        QObject context;
        connect(&list, &UserCommands::wasRemove, &context,
                [&](int i, int n) { runs << QStringLiteral("%1:%2").arg(i).arg(n); });
        list.remove(QList<int>{7, 1, 3, 2, 7});
        list.remove(QList<int>{-1, 9});
        QCOMPARE(runs, (QStringList{"7:1", "1:3"}));
        QVERIFY(list.isModified());
        QCOMPARE(model.rowCount(), 4);
        QCOMPARE(model.data(model.index(1, 1)), QVariant("c4"));
        QVERIFY(model.setData(model.index(2, 1), QStringLiteral("AT+X")));
        QCOMPARE(list.command(2).value(), QStringLiteral("AT+X"));
        // A negative or huge period neither wraps nor slips under the floor.
        QVERIFY(model.setData(model.index(2, 2), -5));
        QCOMPARE(model.data(model.index(2, 2)), QVariant(100u));
        QVERIFY(model.setData(model.index(3, 2), qlonglong(1) << 40));
        QCOMPARE(list.command(3).period(), maxPeriod);
        // Text that is no number counts as 0, so the floor, and is announced.
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        QVERIFY(model.setData(model.index(3, 2), QStringLiteral("abc")));
        QCOMPARE(list.command(3).period(), 100u);
        QCOMPARE(changed.size(), 1);
        QVERIFY(model.setData(model.index(3, 2), int(Qt::Checked), Qt::CheckStateRole));
        QVERIFY(list.command(3).isAuto());
        QVERIFY(!model.setData(model.index(3, 0), QStringLiteral("x")));
        QVERIFY(!model.data(model.index(3, 0), Qt::DecorationRole).isNull());
        QVERIFY(model.data(model.index(3, 0), Qt::DisplayRole).isNull());
        list.command(3).setAuto(false);
    }

    // Text, period and order survive the file; repetition never starts from it; a failed
    // write leaves the old file whole and the change marked for a later save; a run that only
    // removes still rewrites it.
    void commandsFile() {
        fill(3);
        list.command(1).setValue(QStringLiteral("Привет \"x\"\t\\"));
        list.command(1).setPeriod(250);
        list.command(2).setPeriod(maxPeriod);
        list.command(2).setAuto(true);
        QVERIFY(list.save() && !list.isModified());
        QCOMPARE(QJsonDocument::fromJson(test::readFile(m_path)).array().at(2)["auto"], true);
        list.restore();
        QCOMPARE(values(), QStringLiteral("c0/1000 Привет \"x\"\t\\/250 c2/%1").arg(maxPeriod));
        QVERIFY(!list.command(2).isAuto() && !list.isModified());
        const QByteArray old = test::readFile(m_path);
        list.command(list.append()).setValue(QString(100, QLatin1Char('x')));
        QVERIFY(!test::saveUnderSizeLimit(64, [] { return list.save(); }) && list.isModified());
        QCOMPARE(test::readFile(m_path), old);
        QCOMPARE(QDir(QFileInfo(m_path).absolutePath())
                     .entryList({"*" + key::filename + "*"}, QDir::Files | QDir::Hidden),
                 QStringList{key::filename});
        list.remove(QList<int>{0, 1, 2, 3});
        QVERIFY(list.save());
        QCOMPARE(test::readFile(m_path), QByteArray("[\n]\n"));
    }

    // Another window saved the file since it was read: its additions and changes stay, this
    // list's own changes apply on top, field by field. here: "add X", "set N X", "period N P",
    // "remove N". there: the file it wrote; "-": removed; "!" the file no longer parses.
    void commandsMerge_data() {
        // clang-format off
        // saved: "": left as the other window wrote it
        QTest::addColumn<QString>("start"); QTest::addColumn<QStringList>("here"); QTest::addColumn<QString>("there");
        QTest::addColumn<QString>("saved");
        QTest::newRow("both added") << "a b" << QStringList{"add y"} << "a b x" << "a/1000 b/1000 x/1000 y/1000";
        QTest::newRow("other rows changed") << "a b c" << QStringList{"period 2 200"} << "a B c" << "a/1000 B/1000 c/200";
        QTest::newRow("one row, other fields") << "a b" << QStringList{"set 1 B"} << "a b/300" << "a/1000 B/300";
        QTest::newRow("one field, here wins") << "a b" << QStringList{"set 1 Y"} << "a X" << "a/1000 Y/1000";
        QTest::newRow("removed here, changed there") << "a b c" << QStringList{"remove 1"} << "a B c" << "a/1000 c/1000";
        QTest::newRow("changed here, removed there") << "a b c" << QStringList{"set 1 B"} << "a c" << "a/1000 c/1000 B/1000";
        QTest::newRow("removed there, added here") << "a b c" << QStringList{"add d"} << "c" << "c/1000 d/1000";
        QTest::newRow("removed on both sides") << "a b c" << QStringList{"remove 1"} << "a c x" << "a/1000 c/1000 x/1000";
        QTest::newRow("repeated rows") << "a a a" << QStringList{"remove 2", "set 0 A"} << "a a a x" << "A/1000 a/1000 x/1000";
        QTest::newRow("inserted there before a change") << "a b c" << QStringList{"set 2 C"} << "x a y b c" << "x/1000 a/1000 y/1000 b/1000 C/1000";
        QTest::newRow("rows added there around a change") << "a" << QStringList{"set 0 A"} << "x y a z" << "x/1000 y/1000 A/1000 z/1000";
        QTest::newRow("no file at start") << "" << QStringList{"add y"} << "x" << "x/1000 y/1000";
        QTest::newRow("file removed since") << "a b" << QStringList{"add y"} << "-" << "a/1000 b/1000 y/1000";
        QTest::newRow("file damaged since") << "a b" << QStringList{"add y"} << "!" << "";
    }
    void commandsMerge() {
        QFETCH(QString, start); QFETCH(QStringList, here); QFETCH(QString, there); QFETCH(QString, saved);
        // clang-format on
        if (!start.isEmpty())
            QVERIFY(test::writeFile(m_path, commandsJson(start)));
        list.restore();
        for (const QString& step : std::as_const(here)) {
            const QStringList w = step.split(' ');
            if (w[0] == "add")
                list.command(list.append()).setValue(w[1]);
            else if (w[0] == "set")
                list.command(w[1].toInt()).setValue(w[2]);
            else if (w[0] == "period")
                list.command(w[1].toInt()).setPeriod(w[2].toUInt());
            else
                list.remove(w[1].toInt());
        }
        const QByteArray other = there == "!" ? QByteArray("[{\"value\": ") : commandsJson(there);
        if (there == "-")
            QVERIFY(QFile::remove(m_path));
        else
            QVERIFY(test::writeFile(m_path, other));
        UserCommandModel model; // follows the merged list
        QCOMPARE(list.save(), !saved.isEmpty());
        if (saved.isEmpty()) {
            QCOMPARE(test::readFile(m_path), other);
            QVERIFY(list.isModified());
            return;
        }
        QCOMPARE(values(), saved);
        QCOMPARE(model.rowCount(), list.size());
        list.restore();
        QCOMPARE(values(), saved);
        // Saved again with nothing changed anywhere: written as a single window writes.
        list.command(0).setValue("z");
        QVERIFY(list.save());
        QJsonArray alone;
        for (int i = 0; i < list.size(); ++i)
            alone.append(list.command(i).toJson());
        QCOMPARE(test::readFile(m_path), QJsonDocument(alone).toJson());
    }

    // Broken or hostile files load what they can and stay exactly as they were.
    void loadFile_data() {
        // clang-format off
        QTest::addColumn<QByteArray>("content"); QTest::addColumn<QString>("loaded");
        QTest::newRow("elements not objects") << QByteArray(R"([1, "x", null, [], {"value": "a", "period": 300}, {"value": 5}])") << "/1000 /1000 /1000 /1000 a/300 /1000";
        // A hand-edited period never undercuts the floor nor wraps around.
        QTest::newRow("bad periods") << QByteArray(R"([{"value": "zero", "period": 0}, {"value": "below", "period": 99.9}, {"value": "negative", "period": -1e300},
                {"value": "text", "period": "500"}, {"value": "auto", "period": 250.7, "auto": true}, {"value": "over", "period": 4294967296}])") << "zero/100 below/100 negative/100 text/1000 auto/250 over/4294967295";
        QTest::newRow("endless device") << QByteArray() << "";
    }
    void loadFile() {
        QFETCH(QByteArray, content); QFETCH(QString, loaded);
        // clang-format on
        if (content.isEmpty())
            QVERIFY(QFile::link(QStringLiteral("/dev/zero"), m_path));
        else
            QVERIFY(test::writeFile(m_path, content));
        QFile(m_path).setFileTime(QDateTime::currentDateTime().addDays(-3),
                                  QFileDevice::FileModificationTime);
        const QDateTime mtime = QFileInfo(m_path).lastModified();
        fill(1);
        list.restore();
        QCOMPARE(values(), loaded);
        QVERIFY(!list.isModified() && list.save());
        QCOMPARE(QFileInfo(m_path).lastModified(), mtime);
        if (!content.isEmpty())
            QCOMPARE(test::readFile(m_path), content);
    }

    // The first send waits one period; changes reach a running repetition; switched off or
    // removed, it falls silent.
    void repetition() {
        QSignalSpy sent(&list, &UserCommands::sendCommand);
        const auto silent = [&sent] {
            sent.clear();
            QTest::qWait(350);
            return sent.isEmpty();
        };
        UserCommand& command = list.command(list.append());
        command.setValue(QStringLiteral("AT+A"));
        command.setPeriod(100);
        command.setAuto(true);
        QVERIFY(sent.isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(sent.count() >= 2, 5000);
        QCOMPARE(sent[0][0].toString(), QStringLiteral("AT+A"));
        command.setValue(QStringLiteral("AT+B"));
        sent.clear();
        QTRY_VERIFY_WITH_TIMEOUT(!sent.isEmpty(), 5000);
        QCOMPARE(sent.last()[0].toString(), QStringLiteral("AT+B"));
        command.setPeriod(60000); // a new period restarts the running timer
        QVERIFY(silent());
        command.setPeriod(100);
        command.setAuto(false);
        QVERIFY(silent());
        command.setAuto(true);
        QTRY_VERIFY_WITH_TIMEOUT(!sent.isEmpty(), 5000);
        list.remove(0);
        QVERIFY(silent());
        // The list outlives the application object: a command still repeating then must go
        // down quietly with it.
        list.command(list.append()).setAuto(true);
    }

    // Only hex digits and spaces get in; a paste is all or nothing.
    void payloadTyping() {
        BinaryEditor editor;
        type(&editor, QStringLiteral("01g2x3,а9c\tF 0x01"));
        QCOMPARE(editor.toPlainText(), QStringLiteral("01239c\tF 001"));
        QTest::keyClick(&editor, Qt::Key_Backspace); // editing keys still reach the editor
        QCOMPARE(editor.toPlainText(), QStringLiteral("01239c\tF 00"));
        const auto paste = [&editor](const QString& clip) {
            editor.clear();
            QApplication::clipboard()->setText(clip);
            editor.paste();
        };
        for (const char* clip : {"0102030405z", "0x01"}) {
            paste(clip);
            QVERIFY(editor.toPlainText().isEmpty());
        }
        paste(QStringLiteral("0a\n0b 0c"));
        QCOMPARE(editor.data(), QByteArray("\x0a\x0b\x0c"));
        // A long payload goes in as lines, each laid out on its own, and comes out exactly.
        QByteArray payload(100001, Qt::Uninitialized);
        for (int i = 0; i < payload.size(); ++i)
            payload[i] = char(0xa5 + i * 13 + i / 256);
        paste(QString::fromLatin1(payload.toHex()));
        QCOMPARE(editor.data(), payload);
        QVERIFY(editor.document()->blockCount() > 100);
        for (QTextBlock b = editor.document()->begin(); b.isValid(); b = b.next())
            QVERIFY(b.length() <= 1025);
    }

    // The choice stays while other ports come and go, and when it vanishes too: marked as gone
    // until it is back or the user picks another, never replaced by another port on its own.
    // Empty parts, missing paths and repeats are left out.
    void portChooser_data() {
        QTest::addColumn<QString>("then"); // after the chosen port vanished
        QTest::newRow("the chosen port back") << "back";
        QTest::newRow("another port picked") << "pick";
        QTest::newRow("a path typed in \"Other port...\"") << "other";
    }
    void portChooser() {
        QFETCH(QString, then);
        QStringList platform;
        for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
            platform << info.portName();
        for (const char* name : {"a", "b", "plugged"})
            QFile::remove(path(name));
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
        // An extra path keeps its place among the extra ones, at the top; the chosen port moved
        // down stays chosen.
        QCOMPARE(names(combo), (QStringList{path("plugged"), path("a")} + platform));
        QCOMPARE(combo.currentIndex(), 1);
        QCOMPARE(combo.portName(), path("a"));
        QCOMPARE(spy.count(), 2);
        // The chosen port vanishes: it stays chosen, marked as gone, while others come and go.
        QVERIFY(QFile::remove(path("a")));
        combo.updateList();
        QVERIFY(QFile::remove(path("plugged")) && touch(path("b")));
        combo.updateList();
        QCOMPARE(names(combo), (QStringList{path("a"), path("b")} + platform));
        QCOMPARE(combo.portName(), path("a"));
        QVERIFY(combo.isGone() && !combo.isGone(1));
        QCOMPARE(combo.itemText(0), path("a") + " (gone)");
        QCOMPARE(spy.count(), 2);
        if (then == "other") {
            // Cancel keeps the choice as it was; a path typed is listed, chosen, kept.
            for (const QString& typed : {QString(), path("typed")}) {
                QTimer::singleShot(0, &combo, [typed] {
                    auto* dialog = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
                    QVERIFY(dialog);
                    dialog->setTextValue(typed);
                    typed.isEmpty() ? dialog->reject() : dialog->accept();
                });
                QTest::keyClick(&combo, Qt::Key_End);
            }
            QCOMPARE(spy.count(), 3);
            QCOMPARE(spy.last().at(0).toString(), path("typed"));
            combo.updateList();
            QCOMPARE(names(combo),
                     (QStringList{path("b")} + platform + QStringList{path("typed")}));
            QCOMPARE(combo.currentText(), path("typed") + " (gone)");
            QVERIFY(touch(path("typed")));
            combo.updateList();
            QCOMPARE(combo.currentText(), path("typed") + " (by path)");
            return;
        }
        if (then == "back") {
            QVERIFY(touch(path("a")));
            combo.updateList();
            QCOMPARE(combo.itemText(0), path("a") + " (virtual)");
        } else {
            combo.setCurrentIndex(1); // as the user picks; the gone port has no place any more
            QCOMPARE(spy.count(), 3);
            QCOMPARE(spy.last().at(0).toString(), path("b"));
            QVERIFY(touch(path("a")));
            combo.updateList(); // back, but not chosen
        }
        QCOMPARE(names(combo), (QStringList{path("a"), path("b")} + platform));
        QCOMPARE(combo.portName(), path(then == "back" ? "a" : "b"));
        QVERIFY(!combo.isGone());
        QCOMPARE(spy.count(), then == "back" ? 2 : 3);
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
