#pragma once
// The process log: the text the main window shows in its "Process:" box. Every
// line the tools print and every copy, folder creation and password event is
// appended here. The log belongs to the driver; the GUI (or harvex-batch) only
// reads it. Thread-safe: workers append from their own threads while the main
// thread reads.

#include <functional>
#include <mutex>
#include <string>

class CProcessLog {
public:
    static constexpr int MAX_LINES = 1000;
    // Stand-in for the edit control's text limit: the log is emptied before it grows past it.
    static constexpr std::size_t MAX_TEXT = 4 * 1024 * 1024;

    // Main thread. Empties the log first when it holds MAX_LINES lines or more (or has reached
    // MAX_TEXT), then appends strText at the end.
    void AppendLog(const std::string& strText);

    // Any thread. Trims spaces from both ends of strText. With
    // bFilter set nothing is written unless bLine is set and the text begins with "Tested "
    // (bTestMode) or "Unzipped " (otherwise); such a line gets a leading tab. With bLine set a
    // missing "\r\n" is appended. Empties the log first when it has reached MAX_TEXT.
    void AppendWorkerLog(const std::string& strText, bool bFilter, bool bLine, bool bTestMode);

    void Clear();
    std::string Text() const;
    // Lines as an edit control counts them: an empty log holds one line.
    int LineCount() const;

    // Called with every piece of text appended, and (SetClearListener) whenever the log is
    // emptied, by Clear or before an append, on the thread that wrote, in the order the
    // changes happened. Both run under the log's lock, so that a mirror of the log (the
    // window's) sees the changes in order: a listener must not use the log itself; posting
    // an event is what it is for.
    void SetListener(std::function<void(const std::string&)> fnListener);
    void SetClearListener(std::function<void()> fnListener);

private:
    void AppendLocked(const std::string& strText);
    void ClearLocked();

    mutable std::mutex m_mutex;
    std::string m_strText;
    int m_nLineBreaks = 0;
    std::function<void(const std::string&)> m_fnListener;
    std::function<void()> m_fnClearListener;
};
