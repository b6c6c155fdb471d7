// The input line's history: its file, its limit, recall with the arrow keys. Damaged, huge and
// unwritable history files are cases of tst_faults_files.

#include "common/datafiles.h"
#include "input/inputedit.h"
#include "input/inputhistory.h"

#include <QApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTest>

class TestInputHistory : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_file = m_dir.filePath(QStringLiteral("history.json"));

    static QStringList numbered(int count) {
        QStringList list;
        for (int i = 0; i < count; ++i)
            list << QStringLiteral("AT+N=%1").arg(i);
        return list;
    }

private slots:
    void initTestCase() {
        QCoreApplication::setOrganizationName(QStringLiteral("Tavrosk"));
        QCoreApplication::setApplicationName(QStringLiteral("Kelvra"));
    }

    // The newest 1000 are written; empty lines are written but not recalled; loading does not
    // cut, and a history that changed nothing leaves its file alone.
    void roundTrip() {
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
    void editNavigation() {
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
};

QTEST_MAIN(TestInputHistory)
#include "tst_inputhistory.moc"
