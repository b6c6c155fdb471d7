#include "mainwidget/mainwidget.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QFile>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTranslator>

#include <memory>

class TestRussian : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void lookups_data();
    void lookups();
    void multiLineKeepsLayout();
    void window();

private:
    QTranslator m_translator;
};

void TestRussian::initTestCase() {
    QVERIFY(QFile::exists(QStringLiteral(":/main_ru.qm")));
    QVERIFY(m_translator.load(QStringLiteral(":/main_ru.qm")));
    QCOMPARE(m_translator.language(), QStringLiteral("ru_RU"));
}

void TestRussian::lookups_data() {
    QTest::addColumn<QByteArray>("context");
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QString>("translation");

    QTest::newRow("open") << QByteArray("MainWidget") << QByteArray("Open")
                          << QStringLiteral("Открыть");
    QTest::newRow("update firmware") << QByteArray("MainWidget") << QByteArray("Update firmware")
                                     << QStringLiteral("Обновить прошивку");
    QTest::newRow("log error") << QByteArray("MainWidget") << QByteArray("Error(%1):  %2\r\n")
                               << QStringLiteral("Ошибка(%1):  %2\r\n");
    QTest::newRow("timeout") << QByteArray("at") << QByteArray("Timeout")
                             << QStringLiteral("Тайм-аут");
    QTest::newRow("at cancel") << QByteArray("at") << QByteArray("Cancel")
                               << QStringLiteral("Отменено");
    QTest::newRow("period") << QByteArray("UserCommandModel") << QByteArray("Period, ms")
                            << QStringLiteral("Период, мс");
    QTest::newRow("size") << QByteArray("BinaryDialog") << QByteArray("Size")
                          << QStringLiteral("Размер");
    // A text of one context is not found through another.
    QTest::newRow("wrong context") << QByteArray("BinaryDialog") << QByteArray("Open") << QString();
}

void TestRussian::lookups() {
    QFETCH(QByteArray, context);
    QFETCH(QByteArray, source);
    QFETCH(QString, translation);
    QCOMPARE(m_translator.translate(context.constData(), source.constData()), translation);
}

void TestRussian::multiLineKeepsLayout() {
    const char* source = "Close socket\n  <index> - socket number";
    QCOMPARE(m_translator.translate("MainWidget", source),
             QStringLiteral("Закрыть сокет\n  <index> - номер сокета"));
}

void TestRussian::window() {
    QVERIFY(QCoreApplication::installTranslator(&m_translator));
    auto window = std::make_unique<MainWidget>();
    QCoreApplication::removeTranslator(&m_translator);

    auto* openClose = window->findChild<QPushButton*>(QStringLiteral("open-close"));
    QVERIFY(openClose);
    QCOMPARE(openClose->text(), QStringLiteral("Открыть"));
    auto* update = window->findChild<QAction*>(QStringLiteral("update-firmware"));
    QVERIFY(update);
    QCOMPARE(update->text(), QStringLiteral("Обновить прошивку"));

    QPushButton* version = nullptr;
    for (auto* button : window->findChildren<QPushButton*>()) {
        if (button->text() == QLatin1String("AT+VERSION"))
            version = button;
    }
    QVERIFY(version);
    QCOMPARE(version->toolTip(), QStringLiteral("Проверить версию устройства"));

    auto* table = window->findChild<QTableView*>();
    QVERIFY(table && table->model());
    QCoreApplication::installTranslator(&m_translator);
    const QString header = table->model()->headerData(1, Qt::Horizontal).toString();
    QCoreApplication::removeTranslator(&m_translator);
    QCOMPARE(header, QStringLiteral("Значение"));
}

QTEST_MAIN(TestRussian)
#include "tst_russian.moc"
