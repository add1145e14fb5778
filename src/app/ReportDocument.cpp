#include "app/ReportDocument.h"

#include <QBuffer>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextDocument>

#include "product/PlainText.h"

namespace dravik {

namespace {

// Every text comes from the database, the device or a file name: none is markup, and none may
// read as something else (a direction override in a file name is shown as its code).
QString esc(const QString& text) {
    return visibleControls(text).toHtmlEscaped().replace(QLatin1Char('\n'), QStringLiteral("<br>"));
}

QString heading(const QString& text) {
    return QStringLiteral("<h2 style=\"margin-top: 14px;\">") + esc(text) + QStringLiteral("</h2>");
}

QString fieldTable(const ReportContent::Fields& fields) {
    QString html = QStringLiteral("<table cellspacing=\"0\" cellpadding=\"2\">");
    for (const auto& [label, value] : fields)
        html += QStringLiteral("<tr><td width=\"160\">") + esc(label) + QStringLiteral(":</td><td><b>") +
                esc(value) + QStringLiteral("</b></td></tr>");
    return html + QStringLiteral("</table>");
}

// A ruled table whose header row (thead) is repeated on every page it reaches; widths in percent.
QString gridStart(const std::vector<std::pair<QString, int>>& columns) {
    QString html = QStringLiteral(
        "<table width=\"100%\" border=\"1\" cellspacing=\"0\" cellpadding=\"3\" style=\"border-collapse: "
        "collapse;\">"
        "<thead><tr bgcolor=\"#d9d9d9\">");
    for (const auto& [caption, width] : columns)
        html += QStringLiteral("<th align=\"left\" width=\"%1%\">").arg(width) + esc(caption) +
                QStringLiteral("</th>");
    return html + QStringLiteral("</tr></thead><tbody>");
}

// Red alone would be lost on a black-and-white print: the state is also said in words and a
// changed row is bold.
QString functionTable(const std::vector<ReportContent::Row>& rows) {
    QString html = gridStart({{QStringLiteral("Function"), 38},
                              {QStringLiteral("At connection"), 20},
                              {QStringLiteral("Now"), 20},
                              {QStringLiteral("Change"), 22}});
    for (const ReportContent::Row& r : rows) {
        QString state;
        QString open;
        QString close;
        switch (r.state) {
            case ReportContent::Row::State::Unchanged:
                break;
            case ReportContent::Row::State::Confirmed:
                state = QStringLiteral("changed, confirmed");
                open = QStringLiteral("<b>");
                close = QStringLiteral("</b>");
                break;
            case ReportContent::Row::State::Unconfirmed:
                state = QStringLiteral("NOT confirmed");
                open = QStringLiteral("<b><font color=\"#d00000\">");
                close = QStringLiteral("</font></b>");
                break;
        }
        html += QStringLiteral("<tr><td>") + open + esc(r.name) + close + QStringLiteral("</td><td>") +
                esc(r.atConnection) + QStringLiteral("</td><td>") + open + esc(r.now) + close +
                QStringLiteral("</td><td style=\"white-space: nowrap;\">") + open + esc(state) + close +
                QStringLiteral("</td></tr>");
    }
    return html + QStringLiteral("</tbody></table>");
}

// A module holds up to 249 protocols: three to a line keeps the list to a page.
QString protocolTable(const QStringList& protocols) {
    constexpr int kColumns = 3;
    const auto count = static_cast<int>(protocols.size());
    const int lines = (count + kColumns - 1) / kColumns;
    QString html = QStringLiteral("<table width=\"100%\" cellspacing=\"0\" cellpadding=\"1\">");
    for (int line = 0; line < lines; ++line) {
        html += QStringLiteral("<tr>");
        // Down the columns, as a list is read.
        for (int column = 0; column < kColumns; ++column) {
            const int i = column * lines + line;
            html += QStringLiteral("<td width=\"33%\"><small>") +
                    (i < count ? esc(protocols[i]) : QString()) + QStringLiteral("</small></td>");
        }
        html += QStringLiteral("</tr>");
    }
    return html + QStringLiteral("</table>");
}

QString operationTable(const std::vector<ReportContent::Operation>& operations) {
    if (operations.empty()) return QStringLiteral("<p>Nothing was changed in this session.</p>");
    QString html = gridStart({{QStringLiteral("Time"), 11},
                              {QStringLiteral("Operation"), 24},
                              {QStringLiteral("Result"), 10},
                              {QStringLiteral("Details"), 55}});
    for (const ReportContent::Operation& o : operations) {
        const QString result =
            o.ok ? QStringLiteral("done") : QStringLiteral("<b><font color=\"#d00000\">FAILED</font></b>");
        html += QStringLiteral("<tr><td style=\"white-space: nowrap;\">") + esc(o.time) +
                QStringLiteral("</td><td>") + esc(o.name) +
                QStringLiteral("</td><td style=\"white-space: nowrap;\">") + result +
                QStringLiteral("</td><td>") + esc(o.detail) + QStringLiteral("</td></tr>");
    }
    return html + QStringLiteral("</tbody></table>");
}

}  // namespace

QString reportHtml(const ReportContent& c) {
    QString html = QStringLiteral("<html><head><meta charset=\"utf-8\"><title>") + esc(c.title) +
                   QStringLiteral("</title></head>");
    // Texts keep their white space as it is: runs of blanks and tabs line up names and columns.
    html += QStringLiteral("<body style=\"white-space: pre-wrap;\">");
    html += QStringLiteral("<h1>") + esc(c.title) + QStringLiteral("</h1>");
    html += QStringLiteral("<p>Vehicle report made on ") + esc(c.created) + QStringLiteral(" by ") +
            esc(c.program) + QStringLiteral(".<br>Session started on ") + esc(c.sessionStart) +
            QStringLiteral(".</p>");
    html += heading(QStringLiteral("Adapter")) + fieldTable(c.adapter);
    html += heading(QStringLiteral("Product")) + fieldTable(c.product);
    if (!c.module.empty()) {
        html += heading(QStringLiteral("Module")) + fieldTable(c.module);
        if (!c.moduleProtocols.isEmpty())
            html +=
                QStringLiteral("<p>Protocols in the module's slots:</p>") + protocolTable(c.moduleProtocols);
    }
    html += heading(QStringLiteral("Functions")) + functionTable(c.rows);
    html += heading(QStringLiteral("Operations")) + operationTable(c.operations);
    return html + QStringLiteral("</body></html>");
}

QByteArray reportPdf(const ReportContent& c) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly)) return {};
    {
        QPdfWriter writer(&buffer);
        // The document adds 2 cm of its own on every side, and the page number in the bottom one.
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                         QMarginsF(4, 4, 4, 4), QPageLayout::Millimeter));
        writer.setResolution(300);
        writer.setTitle(c.title);
        writer.setCreator(c.program);
        QTextDocument doc;
        QFont font = doc.defaultFont();
        font.setFamily(QStringLiteral("Sans Serif"));
        font.setPointSizeF(9.5);
        // No ligatures: "Off" must stay three letters for whoever searches or copies the text.
        font.setStyleStrategy(QFont::PreferNoShaping);
        doc.setDefaultFont(font);
        doc.setHtml(reportHtml(c));
        doc.print(&writer);
    }
    buffer.close();
    return bytes;
}

}  // namespace dravik
