#include "app/dir.h"

#include <QCoreApplication>
#include <QStandardPaths>
#include <QTest>

class TestDir : public QObject {
    Q_OBJECT
private slots:
    void createsLocationOnly();
};

void TestDir::createsLocationOnly() {
    QCoreApplication::setOrganizationName(QStringLiteral("Tavrosk"));
    QCoreApplication::setApplicationName(QStringLiteral("Kelvra"));
    QStandardPaths::setTestModeEnabled(true);
    // a first run: neither the location nor its parents exist
    QVERIFY(QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
                .removeRecursively());
    const QDir location(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation));
    QVERIFY(!location.exists());

    const QString path = dir::filename(QStringLiteral("sub/file.json"));
    QVERIFY(location.exists());
    QCOMPARE(path, location.absoluteFilePath(QStringLiteral("sub/file.json")));
    QVERIFY(!QFileInfo::exists(location.absoluteFilePath(QStringLiteral("sub"))));
    QCOMPARE(dir::userPath(), location.absolutePath());
}

QTEST_GUILESS_MAIN(TestDir)
#include "tst_dir.moc"
