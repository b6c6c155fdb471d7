#include "app/dir.h"

#include <QCoreApplication>
#include <QStandardPaths>
#include <QTest>

class TestDir : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void createsMissingParents();
    void existingDirectoryUntouched();
    void subdirectoryNotCreated();

private:
    QString location() const {
        return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    }
};

void TestDir::initTestCase() {
    QCoreApplication::setOrganizationName(QStringLiteral("Tavrosk"));
    QCoreApplication::setApplicationName(QStringLiteral("Kelvra"));
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(!location().isEmpty());
}

void TestDir::init() {
    // Remove the location and the parents the test mode put under HOME, so
    // every case starts from a first run.
    QDir base(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
    QVERIFY(base.removeRecursively());
    QVERIFY(!QDir(location()).exists());
}

void TestDir::createsMissingParents() {
    const QString path = dir::filename(QStringLiteral("history.json"));
    QVERIFY(QDir(location()).exists());
    QCOMPARE(path, QDir(location()).absoluteFilePath(QStringLiteral("history.json")));
    QVERIFY(QFileInfo(path).isAbsolute());
    QVERIFY(!QFile::exists(path));
    QCOMPARE(dir::userPath(), QDir(location()).absolutePath());
}

void TestDir::existingDirectoryUntouched() {
    QVERIFY(QDir().mkpath(location()));
    const QString marker = QDir(location()).absoluteFilePath(QStringLiteral("user_commands.json"));
    QFile file(marker);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write("[]"), 2);
    file.close();

    QCOMPARE(dir::userDir().absolutePath(), QDir(location()).absolutePath());
    QCOMPARE(dir::filename(QStringLiteral("user_commands.json")), marker);
    QCOMPARE(QDir(location()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
             QStringList{QStringLiteral("user_commands.json")});
}

void TestDir::subdirectoryNotCreated() {
    const QString path = dir::filename(QStringLiteral("sub/file.json"));
    QCOMPARE(path, QDir(location()).absoluteFilePath(QStringLiteral("sub/file.json")));
    QVERIFY(QDir(location()).exists());
    QVERIFY(!QFileInfo::exists(QDir(location()).absoluteFilePath(QStringLiteral("sub"))));
}

QTEST_GUILESS_MAIN(TestDir)
#include "tst_dir.moc"
