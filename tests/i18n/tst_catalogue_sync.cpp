// The Russian catalogue against the texts of the code: lupdate merges what it extracts afresh
// into a copy of the catalogue, which must then hold no new, unfinished or stale entry, and
// every translation keeps the arguments, placeholders, commands and lines of its source.

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Arguments, <placeholders> (escaped as in the file), commands, file patterns and lines.
QStringList invariants(const QString& text) {
    static const QRegularExpression pattern(
        R"(%L?\d+|%n|<byte value="\w+"/>|&lt;[^&\s]+&gt;|AT\+[A-Z]+\S*|\*\.[a-z*]+|;;|\n)");
    QStringList tokens;
    for (auto it = pattern.globalMatch(text); it.hasNext();)
        tokens << it.next().captured();
    tokens.sort();
    return tokens;
}

} // namespace

class TestCatalogueSync : public QObject {
    Q_OBJECT
private slots:
    void inSync() {
        QTemporaryDir dir;
        const QString root = KELVRA_SOURCE_DIR, ts = dir.filePath("main_ru.ts");
        QVERIFY(QFile::copy(root + "/resources/main_ru.ts", ts));
        QStringList args;
        for (const char* sub : {"app", "at", "input", "mainwidget", "usercommands", "widgets"})
            args << root + '/' + sub;
        QProcess lupdate;
        lupdate.start(KELVRA_LUPDATE,
                      args + QStringList{"-locations", "none", "-silent", "-ts", ts});
        QVERIFY(lupdate.waitForFinished(60000) && lupdate.exitCode() == 0);
        QFile file(ts);
        QVERIFY(file.open(QIODevice::ReadOnly));
        static const QRegularExpression message(
            R"(<message[^>]*>\s*<source>(.*?)</source>.*?<translation( type="\w+")?>(.*?)</translation>)",
            QRegularExpression::DotMatchesEverythingOption);
        QStringList problems;
        int count = 0;
        for (auto it = message.globalMatch(QString::fromUtf8(file.readAll())); it.hasNext();) {
            const QRegularExpressionMatch m = it.next();
            const QString source = m.captured(1), type = m.captured(2), text = m.captured(3);
            // lupdate never extracts the empty header text of the user command table.
            if (source.isEmpty())
                continue;
            ++count;
            // A text with a count has one form per plural of the language, each complete.
            static const QRegularExpression numerus("<numerusform>(.*?)</numerusform>",
                                                    QRegularExpression::DotMatchesEverythingOption);
            QStringList forms;
            for (auto f = numerus.globalMatch(text); f.hasNext();)
                forms << f.next().captured(1);
            if (forms.isEmpty())
                forms << text;
            for (const QString& form : forms) {
                if (!type.isEmpty() || form.trimmed().isEmpty() ||
                    invariants(source) != invariants(form))
                    problems << source + " ->" + type + ' ' + form;
            }
        }
        // Far fewer would mean the catalogue was not read, not that the code lost its texts.
        QVERIFY2(count >= 60, qPrintable(QString::number(count)));
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join('\n')));
    }
};

QTEST_GUILESS_MAIN(TestCatalogueSync)
#include "tst_catalogue_sync.moc"
