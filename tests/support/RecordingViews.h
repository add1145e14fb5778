#pragma once
// Views that record what the logic showed, for assertions.

#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <vector>

#include "link/OperationJournal.h"
#include "link/Views.h"

namespace dravik::test {

class RecordingLog : public LogView {
public:
    void appendLog(const QString& text) override { text_ += text; }
    const QString& text() const { return text_; }
    void clear() { text_.clear(); }
    int count(const QString& needle) const { return static_cast<int>(text_.count(needle)); }

private:
    QString text_;
};

struct ShownMessage {
    QString text;
    QString caption;
};

class RecordingDialogs : public Dialogs {
public:
    Answer message(const QString& text, const QString& caption, Buttons, Icon) override {
        shown.push_back({text, caption});
        if (whileShown) whileShown();
        if (answers.empty()) return Ok;
        const Answer a = answers.front();
        answers.pop_front();
        return a;
    }
    std::vector<ShownMessage> shown;
    std::deque<Answer> answers;
    // Runs while a box is open, as events do in its own event loop.
    std::function<void()> whileShown;
};

class RecordingProgress : public ProgressView {
public:
    void setProgressText(const QString& t, bool visible) override {
        text = t;
        this->visible = visible;
    }
    void setProgressValue(int percent) override { value = percent; }
    QString text;
    bool visible = false;
    int value = 0;
};

class RecordingJournal : public OperationJournal {
public:
    void operationEnded(const OperationOutcome& outcome) override { outcomes.push_back(outcome); }
    std::vector<OperationOutcome> outcomes;
};

}  // namespace dravik::test
