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
            text +=
                QChar(char16_t(value.startsWith(QLatin1Char('x')) ? value.mid(1).toUInt(nullptr, 16)
                                                                  : value.toUInt()));
        } else if (xml.isEndElement() && xml.name() != QLatin1String("byte")) {
            break;
        }
    }
    return text;
}

Catalogue readTs(const QString& path, QString* language, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot open ") + path;
        return {};
    }
    Catalogue result;
    QXmlStreamReader xml(&file);
    QString context;
    QString source;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("TS") && language) {
            *language = xml.attributes().value(QLatin1String("language")).toString();
        } else if (xml.name() == QLatin1String("name")) {
            context = xml.readElementText();
        } else if (xml.name() == QLatin1String("source")) {
            source = readText(xml);
        } else if (xml.name() == QLatin1String("translation")) {
            const QString type = xml.attributes().value(QLatin1String("type")).toString();
            const auto key = qMakePair(context, source);
            if (result.contains(key))
                xml.raiseError(QStringLiteral("duplicate %1/%2").arg(context, source));
            result.insert(key, Entry{readText(xml), type});
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

// Every text of the code with a usable translation in the catalogue.
QStringList failures(const Catalogue& code, const Catalogue& catalogue) {
    QStringList result;
    for (auto it = code.cbegin(); it != code.cend(); ++it) {
        const QString where = it.key().first + QLatin1Char('/') + it.key().second;
        const auto found = catalogue.constFind(it.key());
        const QString problem = found == catalogue.cend()
                                    ? QStringLiteral("missing")
                                    : translationProblem(it.key().second, found.value());
        if (!problem.isEmpty())
            result << problem + QStringLiteral(": ") + where;
    }
    return result;
}

} // namespace

class TestCatalogueSync : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
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

void TestCatalogueSync::everyTextTranslated() {
    const QStringList found = failures(m_code, m_catalogue);
    QVERIFY2(found.isEmpty(), qPrintable(found.join(QLatin1Char('\n'))));
}

void TestCatalogueSync::nothingStale() {
    // lupdate never extracts the empty header text of the user command table; it is
    // the one entry the catalogue carries beyond what the code yields.
    const auto header = qMakePair(QStringLiteral("UserCommandModel"), QString());
    QStringList stale;
    for (auto it = m_catalogue.cbegin(); it != m_catalogue.cend(); ++it) {
        if (it.key() != header && !m_code.contains(it.key()))
            stale << it.key().first + QLatin1Char('/') + it.key().second;
    }
    QVERIFY2(stale.isEmpty(), qPrintable(stale.join(QLatin1Char('\n'))));
}

QTEST_GUILESS_MAIN(TestCatalogueSync)
#include "tst_catalogue_sync.moc"
