#pragma once
// A named pipe that never ends on its own: its writer sends `head`, then
// blanks, until the reader closes its end. So that a reader with no limit
// cannot take the machine's memory, the writer also stops after `cap`
// bytes, which no reader that stops at a file's size limit ever reaches.

#include <atomic>
#include <cstddef>
#include <string>
#include <thread>

class CEndlessFifo {
public:
    explicit CEndlessFifo(std::string head, size_t cap = size_t{64} << 20);
    ~CEndlessFifo();
    CEndlessFifo(const CEndlessFifo&) = delete;
    CEndlessFifo& operator=(const CEndlessFifo&) = delete;

    bool Ok() const { return !m_path.empty(); }
    const std::string& Path() const { return m_path; }
    // Ends the writer (at once if no reader came) and tells whether the
    // reader closed its end while the writer still had bytes to send.
    bool Finish();

private:
    void Feed();

    std::string m_dir;
    std::string m_path;
    std::string m_head;
    size_t m_cap;
    std::atomic<bool> m_stop{false};
    bool m_readerGaveUp = false;  // written by the writer, read after the join
    std::thread m_writer;
};
