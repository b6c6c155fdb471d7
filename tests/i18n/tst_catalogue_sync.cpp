// The Russian catalogue against the texts of the code, extracted afresh by lupdate: every text
// has a finished translation that keeps its arguments, placeholders, commands and lines, and
// the catalogue holds nothing stale.

#include <QFile>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

namespace {

// "context/source" -> translation, or "(type)" for an unfinished or obsolete one.
QMap<QString, QString> readTs(const QString& path) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    QMap<QString, QString> result;
    QXmlStreamReader xml(&file);
    QString context, source;
    // Element text where control characters come as <byte value="xd"/> elements.
    const auto text = [&xml] {
        QString out;
        while (!xml.atEnd() && !(xml.readNext() == QXmlStreamReader::EndElement &&
                                 xml.name() != QLatin1String("byte"))) {
            if (xml.isCharacters())
                out += xml.text();
            else if (xml.isStartElement() && xml.name() == QLatin1String("byte"))
                out += QChar(char16_t(xml.attributes().value("value").mid(1).toUInt(nullptr, 16)));
        }
        return out;
    };
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("name"))
            context = xml.readElementText();
        else if (xml.name() == QLatin1String("source"))
            source = text();
        else if (xml.name() == QLatin1String("translation")) {
            const QString type = xml.attributes().value("type").toString();
            const QString translation = text();
            result.insert(context + '/' + source, type.isEmpty() ? translation : '(' + type + ')');
        }
    }
    return xml.hasError() ? QMap<QString, QString>{{"error", xml.errorString()}} : result;
}

QStringList invariants(const QString& text) {
    static const QRegularExpression pattern(R"(%L?\d+|<[^<>\s]+>|AT\+[A-Z]+\S*|\*\.[a-z*]+|;;)");
    QStringList tokens;
    for (auto it = pattern.globalMatch(text); it.hasNext();)
        tokens << it.next().captured();
    tokens.sort();
    return tokens << QString::number(text.count('\n')) << QString::number(text.count('\r'));
}

} // namespace

class TestCatalogueSync : public QObject {
    Q_OBJECT
private slots:
    void inSync() {
        QTemporaryDir dir;
        const QString extracted = dir.filePath("code_ru.ts"), root = KELVRA_SOURCE_DIR;
        QStringList args;
        for (const char* sub : {"app", "at", "input", "mainwidget", "usercommands", "widgets"})
            args << root + '/' + sub;
        QProcess lupdate;
        lupdate.start(KELVRA_LUPDATE, args << "-no-obsolete"
                                           << "-locations"
                                           << "none"
                                           << "-silent"
                                           << "-ts" << extracted);
        QVERIFY(lupdate.waitForFinished(60000) && lupdate.exitCode() == 0);
        const QMap<QString, QString> code = readTs(extracted);
        const QMap<QString, QString> catalogue = readTs(root + "/resources/main_ru.ts");
        // Far fewer would mean lupdate missed the sources, not that they lost their texts.
        QVERIFY2(code.size() >= 60, qPrintable(code.keys().join('\n')));
        QStringList problems;
        for (auto it = code.cbegin(); it != code.cend(); ++it) {
            const QString source = it.key().section('/', 1);
            const QString translation = catalogue.value(it.key(), "(missing)");
            if (translation.startsWith('(') ||
                translation.trimmed().isEmpty() != source.isEmpty() ||
                invariants(source) != invariants(translation))
                problems << it.key() + " -> " + translation;
        }
        // lupdate never extracts the empty header text of the user command table.
        for (const QString& key : catalogue.keys()) {
            if (!code.contains(key) && key != "UserCommandModel/")
                problems << "stale: " + key;
        }
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join('\n')));
    }
};

QTEST_GUILESS_MAIN(TestCatalogueSync)
#include "tst_catalogue_sync.moc"
