#include <QFile>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

namespace {

struct Entry {
    QString translation;
    QString type; // "unfinished", "obsolete", "vanished" or empty
};

// (context, source) -> entry; empty map and a message on failure.
using Catalogue = QMap<QPair<QString, QString>, Entry>;

// Element text where control characters come as <byte value="xd"/> elements.
QString readText(QXmlStreamReader& xml) {
    QString text;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isCharacters()) {
            text += xml.text();
        } else if (xml.isStartElement() && xml.name() == QLatin1String("byte")) {
            const QString value = xml.attributes().value(QLatin1String("value")).toString();
            bool ok = false;
            const uint code = value.startsWith(QLatin1Char('x')) ? value.mid(1).toUInt(&ok, 16)
                                                                 : value.toUInt(&ok);
            if (!ok) {
                xml.raiseError(QStringLiteral("bad byte value %1").arg(value));
                break;
            }
            text += QChar(char16_t(code));
        } else if (xml.isEndElement() && xml.name() != QLatin1String("byte")) {
            break;
        }
    }
    return text;
}

Catalogue readTs(const QString& path, QString* language, QString* error) {
    Catalogue result;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot open %1").arg(path);
        return {};
    }
    QXmlStreamReader xml(&file);
    QString context;
    QString source;
    Entry entry;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        const auto name = xml.name();
        if (name == QLatin1String("TS")) {
            if (language)
                *language = xml.attributes().value(QLatin1String("language")).toString();
        } else if (name == QLatin1String("name")) {
            context = xml.readElementText();
        } else if (name == QLatin1String("message")) {
            source.clear();
            entry = Entry();
        } else if (name == QLatin1String("source")) {
            source = readText(xml);
        } else if (name == QLatin1String("translation")) {
            entry.type = xml.attributes().value(QLatin1String("type")).toString();
            entry.translation = readText(xml);
            const auto key = qMakePair(context, source);
            if (result.contains(key)) {
                *error = QStringLiteral("duplicate %1/%2").arg(context, source);
                return {};
            }
            result.insert(key, entry);
        }
    }
    if (xml.hasError()) {
        *error = xml.errorString();
        return {};
    }
    return result;
}

// The parts of a text that must survive translation unchanged: %N arguments,
// <placeholder> tokens, AT command syntax and the line structure.
QStringList invariants(const QString& text) {
    static const QRegularExpression pattern(
        QStringLiteral(R"(%L?\d+|<[^<>\s]+>|AT\+[A-Z]+\S*|\*\.[a-z*]+|;;)"));
    QStringList tokens;
    for (auto it = pattern.globalMatch(text); it.hasNext();)
        tokens << it.next().captured();
    tokens.sort();
    tokens << QStringLiteral("lines:%1").arg(text.count(QLatin1Char('\n')))
           << QStringLiteral("returns:%1").arg(text.count(QLatin1Char('\r')));
    return tokens;
}

// Empty when the translation is usable for the source.
QString translationProblem(const QString& source, const Entry& entry) {
    if (!entry.type.isEmpty())
        return QStringLiteral("marked %1").arg(entry.type);
    if (source.isEmpty())
        return entry.translation.isEmpty() ? QString() : QStringLiteral("empty source translated");
    if (entry.translation.trimmed().isEmpty())
        return QStringLiteral("no translation");
    const QStringList want = invariants(source);
    const QStringList got = invariants(entry.translation);
    if (want != got) {
        return QStringLiteral("kept parts differ: [%1] vs [%2]")
            .arg(want.join(QLatin1Char(' ')), got.join(QLatin1Char(' ')));
    }
    return {};
}

} // namespace

class TestCatalogueSync : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void problems_data();
    void problems();
    void everyTextTranslated();
    void nothingStale();

private:
    Catalogue m_code;
    Catalogue m_catalogue;
    QTemporaryDir m_dir;
};

void TestCatalogueSync::initTestCase() {
    QVERIFY(m_dir.isValid());
    const QString extracted = m_dir.filePath(QStringLiteral("code_ru.ts"));
    const QString root = QStringLiteral(KELVRA_SOURCE_DIR);
    QStringList args;
    for (const char* dir : {"app", "at", "input", "mainwidget", "usercommands", "widgets"})
        args << root + QLatin1Char('/') + QLatin1String(dir);
    args << QStringLiteral("-no-obsolete") << QStringLiteral("-locations") << QStringLiteral("none")
         << QStringLiteral("-silent") << QStringLiteral("-ts") << extracted;
    QProcess lupdate;
    lupdate.start(QStringLiteral(KELVRA_LUPDATE), args);
    QVERIFY2(lupdate.waitForFinished(60000), qPrintable(lupdate.errorString()));
    QVERIFY2(lupdate.exitStatus() == QProcess::NormalExit && lupdate.exitCode() == 0,
             lupdate.readAllStandardError().constData());

    QString error;
    m_code = readTs(extracted, nullptr, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    // Far fewer would mean lupdate missed the sources, not that they lost their texts.
    QVERIFY2(m_code.size() >= 60, qPrintable(QString::number(m_code.size())));

    QString language;
    m_catalogue = readTs(root + QStringLiteral("/resources/main_ru.ts"), &language, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(language, QStringLiteral("ru_RU"));
}

void TestCatalogueSync::problems_data() {
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("translation");
    QTest::addColumn<QString>("type");
    QTest::addColumn<bool>("ok");

    QTest::newRow("plain") << "Open"
                           << "Открыть"
                           << "" << true;
    QTest::newRow("unfinished") << "Open"
                                << "Открыть"
                                << "unfinished" << false;
    QTest::newRow("vanished") << "Open"
                              << "Открыть"
                              << "vanished" << false;
    QTest::newRow("blank") << "Open"
                           << " "
                           << "" << false;
    QTest::newRow("empty header") << ""
                                  << ""
                                  << "" << true;
    QTest::newRow("argument kept") << "Error(%1):  %2"
                                   << "Ошибка(%1):  %2"
                                   << "" << true;
    QTest::newRow("argument lost") << "Error(%1):  %2"
                                   << "Ошибка:  %2"
                                   << "" << false;
    QTest::newRow("line end kept") << "Error(%1):  %2\r\n"
                                   << "Ошибка(%1):  %2\r\n"
                                   << "" << true;
    QTest::newRow("line end lost") << "Error(%1):  %2\r\n"
                                   << "Ошибка(%1):  %2"
                                   << "" << false;
    QTest::newRow("return lost") << "Error(%1):  %2\r\n"
                                 << "Ошибка(%1):  %2\n"
                                 << "" << false;
    QTest::newRow("arguments swapped ok") << "%1 of %2"
                                          << "%2 из %1"
                                          << "" << true;
    QTest::newRow("placeholder translated") << "Close socket\n  <index> - socket number"
                                            << "Закрыть сокет\n  <номер> - номер сокета"
                                            << "" << false;
    QTest::newRow("line lost") << "Close socket\n  <index> - socket number"
                               << "Закрыть сокет  <index> - номер сокета"
                               << "" << false;
    QTest::newRow("trailing line kept") << "a\n  <ip> - b\n"
                                        << "а\n  <ip> - б\n"
                                        << "" << true;
    QTest::newRow("trailing line lost") << "a\n  <ip> - b\n"
                                        << "а\n  <ip> - б"
                                        << "" << false;
    QTest::newRow("command changed") << "Format for AT+WFSCANAP"
                                     << "Формат для AT+WFSCAN"
                                     << "" << false;
    QTest::newRow("filter kept") << "Binary file (*.bin);;All files (*.*)"
                                 << "Двоичный файл (*.bin);;Все файлы (*.*)"
                                 << "" << true;
    QTest::newRow("filter broken") << "Binary file (*.bin);;All files (*.*)"
                                   << "Двоичный файл (*.bin); Все файлы (*.*)"
                                   << "" << false;
}

void TestCatalogueSync::problems() {
    QFETCH(QString, source);
    QFETCH(QString, translation);
    QFETCH(QString, type);
    QFETCH(bool, ok);
    const QString problem = translationProblem(source, Entry{translation, type});
    QVERIFY2(problem.isEmpty() == ok, qPrintable(problem));
}

void TestCatalogueSync::everyTextTranslated() {
    QStringList failures;
    for (auto it = m_code.cbegin(); it != m_code.cend(); ++it) {
        const QString where = it.key().first + QLatin1Char('/') + it.key().second;
        const auto found = m_catalogue.constFind(it.key());
        if (found == m_catalogue.cend()) {
            failures << QStringLiteral("missing: ") + where;
            continue;
        }
        const QString problem = translationProblem(it.key().second, found.value());
        if (!problem.isEmpty())
            failures << problem + QStringLiteral(": ") + where;
    }
    QVERIFY2(failures.isEmpty(), qPrintable(failures.join(QLatin1Char('\n'))));
}

void TestCatalogueSync::nothingStale() {
    // lupdate never extracts the empty header text of the user command table; it is
    // the one entry the catalogue carries beyond what the code yields.
    const auto header = qMakePair(QStringLiteral("UserCommandModel"), QString());
    QVERIFY(m_catalogue.contains(header));
    QCOMPARE(translationProblem(QString(), m_catalogue.value(header)), QString());

    QStringList stale;
    for (auto it = m_catalogue.cbegin(); it != m_catalogue.cend(); ++it) {
        if (it.key() != header && !m_code.contains(it.key()))
            stale << it.key().first + QLatin1Char('/') + it.key().second;
    }
    QVERIFY2(stale.isEmpty(), qPrintable(stale.join(QLatin1Char('\n'))));

    const QStringList contexts = {QStringLiteral("MainWidget"), QStringLiteral("at"),
                                  QStringLiteral("UserCommandModel"),
                                  QStringLiteral("BinaryDialog")};
    for (auto it = m_catalogue.cbegin(); it != m_catalogue.cend(); ++it)
        QVERIFY2(contexts.contains(it.key().first), qPrintable(it.key().first));
}

QTEST_GUILESS_MAIN(TestCatalogueSync)
#include "tst_catalogue_sync.moc"
