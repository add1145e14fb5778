#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <QTextDocument>

#include "app/ReportDocument.h"
#include "support/HostTools.h"

using namespace dravik;

namespace {

using State = ReportContent::Row::State;

ReportContent sample(int rows) {
    ReportContent c;
    c.title = QStringLiteral("TAVIRON A37");
    c.created = QStringLiteral("2026-12-11 09:30:00");
    c.program = QStringLiteral("Dravik 10.0.0");
    c.sessionStart = QStringLiteral("2026-12-11 09:12:00");
    c.adapter = {{QStringLiteral("Identification"), QStringLiteral("12")}};
    c.product = {{QStringLiteral("Name"), c.title}};
    for (int i = 1; i <= rows; ++i)
        c.rows.push_back({QStringLiteral("%1 - Function").arg(i, 3, 10, QLatin1Char('0')),
                          QStringLiteral("On"), QStringLiteral("On"), State::Unchanged});
    return c;
}

// A poppler tool's output for the PDF (scripts/setup installs them), or why there is none.
QString poppler(const QString& tool, const QByteArray& pdf, QStringList args = {}) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("report.pdf"));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(pdf) != pdf.size()) return QStringLiteral("cannot write");
    f.close();
    args << dravik::test::hostPath(path);
    if (tool == QStringLiteral("pdftotext")) args << QStringLiteral("-");
    const dravik::test::HostRun run = dravik::test::runHostTool(tool, args);
    return run.ok ? QString::fromUtf8(run.out) : run.error;
}

QString pdfText(const QByteArray& pdf, int page = 0) {
    if (page == 0) return poppler(QStringLiteral("pdftotext"), pdf);
    const QString n = QString::number(page);
    return poppler(QStringLiteral("pdftotext"), pdf, {QStringLiteral("-f"), n, QStringLiteral("-l"), n});
}

int pageCount(const QByteArray& pdf) {
    const QString info = poppler(QStringLiteral("pdfinfo"), pdf);
    const qsizetype at = info.indexOf(QStringLiteral("Pages:"));
    return at < 0 ? 0 : info.mid(at + 6).section(QLatin1Char('\n'), 0, 0).trimmed().toInt();
}

}  // namespace

// Texts from the database, the device and file names are shown as they are, never read as markup;
// the state of a row is said in words, for a black-and-white print.
TEST(VehicleReport, TextsAreShownLiterallyAndStatesInWords) {
    ReportContent c = sample(0);
    c.title = QStringLiteral("<b>TAVIRON</b> & \"Co\"");
    c.rows = {{QStringLiteral("Sir\u00e8ne <i>"), QStringLiteral("Marche"), QStringLiteral("Arr\u00eat"),
               State::Confirmed},
              {QStringLiteral("Modalit\u00e0"), QStringLiteral("Standard"), QStringLiteral("Parcheggio"),
               State::Unconfirmed}};
    c.operations = {{QStringLiteral("09:20:00"), QStringLiteral("Backup opened"), false,
                     QStringLiteral("file <script>.bkd\nthe file cannot be opened")}};
    const QString html = reportHtml(c);
    EXPECT_FALSE(html.contains(QStringLiteral("<b>TAVIRON</b>")));
    EXPECT_FALSE(html.contains(QStringLiteral("<script>")));
    const QString text = pdfText(reportPdf(c));
    for (const QString& shown :
         {QStringLiteral("<b>TAVIRON</b> & \"Co\""), QStringLiteral("Sir\u00e8ne <i>"),
          QStringLiteral("Arr\u00eat"), QStringLiteral("changed, confirmed"), QStringLiteral("NOT confirmed"),
          QStringLiteral("FAILED"), QStringLiteral("file <script>.bkd"),
          QStringLiteral("the file cannot be opened")})
        EXPECT_TRUE(text.contains(shown)) << shown.toStdString() << "\n" << text.toStdString();
}

// Every column of every table takes its text literally: each place below holds a text of its own
// with "<" and "&" in it, and the printed report shows each as it is.
TEST(VehicleReport, EveryColumnIsShownLiterally) {
    int n = 0;
    QStringList placed;
    const auto hostile = [&] {
        placed.append(QStringLiteral("<x%1 & y>").arg(++n));
        return placed.back();
    };
    ReportContent c = sample(0);
    c.title = hostile();
    c.created = hostile();
    c.program = hostile();
    c.sessionStart = hostile();
    for (ReportContent::Fields* fields : {&c.adapter, &c.product, &c.module})
        *fields = {{hostile(), hostile()}};
    c.moduleProtocols = {hostile(), hostile()};
    for (const State state : {State::Unchanged, State::Confirmed, State::Unconfirmed})
        c.rows.push_back({hostile(), hostile(), hostile(), state});
    for (const bool ok : {true, false}) c.operations.push_back({hostile(), hostile(), ok, hostile()});
    const QString text = pdfText(reportPdf(c));
    for (const QString& shown : placed)
        EXPECT_TRUE(text.contains(shown)) << shown.toStdString() << "\n" << text.toStdString();
}

// Names keep their white space (runs of blanks, tabs), and a direction override in a name is shown
// as its code rather than turning the name around ("evil" would read "live").
TEST(VehicleReport, WhiteSpaceIsKeptAndDirectionOverridesAreShown) {
    const QString rlo(QChar(0x202E));
    ReportContent c = sample(0);
    c.rows = {
        {QStringLiteral("01 - a     b\tc"), QStringLiteral("On"), QStringLiteral("Off"), State::Confirmed}};
    c.moduleProtocols = {QStringLiteral("PROTO  1   v2")};
    c.operations = {{QStringLiteral("09:20:00"), QStringLiteral("Backup opened"), true,
                     QStringLiteral("file evil") + rlo + QStringLiteral("fdp.bkd")}};
    c.module = {{QStringLiteral("Name"), QStringLiteral("VRAK-2")}};
    // What the document lays out, before it is printed.
    QTextDocument doc;
    doc.setHtml(reportHtml(c));
    const QString laidOut = doc.toPlainText();
    for (const QString& kept : {QStringLiteral("a     b\tc"), QStringLiteral("PROTO  1   v2"),
                                QStringLiteral("file evil[U+202E]fdp.bkd")})
        EXPECT_TRUE(laidOut.contains(kept)) << kept.toStdString() << "\n" << laidOut.toStdString();
    EXPECT_FALSE(laidOut.contains(rlo));
    const QString printed = pdfText(reportPdf(c));
    EXPECT_TRUE(printed.contains(QStringLiteral("file evil[U+202E]fdp.bkd"))) << printed.toStdString();
    EXPECT_FALSE(printed.contains(rlo));
}

// A product with 255 functions: the table goes on over several pages, each with its header.
TEST(VehicleReport, LongTableRepeatsItsHeaderOnEveryPage) {
    const QByteArray pdf = reportPdf(sample(255));
    ASSERT_TRUE(pdf.startsWith("%PDF"));
    const int pages = pageCount(pdf);
    ASSERT_GE(pages, 3);
    for (int page = 2; page <= pages; ++page) {
        const QString text = pdfText(pdf, page);
        if (!text.contains(QStringLiteral("- Function"))) continue;  // the operations' page
        EXPECT_TRUE(text.contains(QStringLiteral("At connection"))) << "page " << page;
    }
    EXPECT_TRUE(pdfText(pdf).contains(QStringLiteral("255 - Function")));
}
