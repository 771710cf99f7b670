#pragma once

#include "document/document_screen.h"

#include <deque>
#include <string>
#include <vector>

namespace pq::test {

// Records every call of the controller as one line ("title:data.bin", "select:2", ...) and
// answers save-location questions from a queue (Cancelled when it is empty).
class RecordingScreen : public DocumentScreen {
public:
    bool window = true;
    std::vector<std::string> events;
    std::vector<SaveLocationRequest> requests;
    std::deque<SaveLocationAnswer> answers;

    bool hasWindow() const override { return window; }
    void showError(const QString& title, const QString& text) override { add("error:" + title + "|" + text); }
    void showInformation(const QString& title, const QString& text) override { add("info:" + title + "|" + text); }
    void showStatus(const QString& text) override { add("status:" + text); }
    void askSaveLocation(const SaveLocationRequest& request, std::function<void(const SaveLocationAnswer&)> answer) override
    {
        add("ask");
        requests.push_back(request);
        SaveLocationAnswer next;
        if (!answers.empty()) {
            next = answers.front();
            answers.pop_front();
        }
        answer(next);
    }
    void refreshBookmarks() override { add("refresh"); }
    void selectBookmarkRow(int row) override { add("select:" + QString::number(row)); }
    void scrollToBookmarkRow(int row) override { add("scroll:" + QString::number(row)); }
    void resetBrowserSettings() override { add("reset"); }
    void reloadBrowserFromFirstTile() override { add("reload"); }
    void setWindowTitle(const QString& title) override { add("title:" + title); }
    void setHintVisible(bool visible) override { add(visible ? "hint:shown" : "hint:hidden"); }
    void beginProgress(const QString& label, std::function<void()>) override { add("progress:" + label); }
    void endProgress() override { add("progress-end"); }

    // Events whose text starts with `prefix`.
    std::vector<std::string> matching(const std::string& prefix) const
    {
        std::vector<std::string> out;
        for (const auto& e : events)
            if (e.starts_with(prefix))
                out.push_back(e);
        return out;
    }
    void clear() { events.clear(); }

private:
    void add(const QString& text) { events.push_back(text.toStdString()); }
};

} // namespace pq::test
