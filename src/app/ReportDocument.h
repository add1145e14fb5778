#pragma once
// The vehicle report as a document: its content as plain texts, the HTML made from it (every text
// escaped), and the A4 PDF printed from that HTML.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

namespace dravik {

struct ReportContent {
    QString title;  // the product's name
    QString created;
    QString program;  // "Dravik  10.0.0"
    QString sessionStart;
    using Fields = std::vector<std::pair<QString, QString>>;
    Fields adapter;
    Fields product;
    Fields module;  // empty without a module
    QStringList moduleProtocols;

    struct Row {
        enum class State { Unchanged, Confirmed, Unconfirmed };
        QString name;
        QString atConnection;
        QString now;
        State state = State::Unchanged;
    };
    std::vector<Row> rows;

    struct Operation {
        QString time;
        QString name;
        bool ok = true;
        QString detail;  // lines separated by '\n'
    };
    std::vector<Operation> operations;
};

QString reportHtml(const ReportContent& content);

// The PDF file's bytes: A4, the product's name as the document title.
QByteArray reportPdf(const ReportContent& content);

}  // namespace dravik
