// One running desktop program per user session. The first start holds a lock in the user's
// runtime folder and listens on a socket beside it; a later start finds the lock held, asks the
// first through the socket to come to the front, and ends.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace tavolux {

class CFileLock;

class CSingleInstance {
public:
    enum class Result {
        First,              // this is the running instance now
        RaisedOther,        // another instance runs and was asked to come to the front
        OtherNotAnswering,  // another instance holds the lock but took no request in time
        Failed,             // the lock or the socket could not be set up; Error() says why
    };

    // How long a later start keeps trying to reach a first one that is still starting up.
    static constexpr int kAskWaitMs = 2000;

    // The lock is dir/NAME.lock, the socket dir/NAME.sock.
    CSingleInstance(std::filesystem::path dir, std::string name);
    ~CSingleInstance();  // releases
    CSingleInstance(const CSingleInstance&) = delete;
    CSingleInstance& operator=(const CSingleInstance&) = delete;

    // Takes the lock, or asks its holder to come to the front. The lock is the system's lock on
    // an open file, so an instance that crashed or was killed leaves nothing that blocks.
    Result Acquire();

    // Calls onRaise on a listener thread for every later start that asks; requests that came
    // before this call are delivered too. onRaise must not block: it posts to the UI thread.
    // Needs Acquire() to have returned First; false otherwise.
    bool Listen(std::function<void()> onRaise);

    // Stops listening, removes the socket and drops the lock, so that a new start of the
    // program (a language switch) becomes the first. Safe to call twice.
    void Release();

    bool Held() const { return m_lock != nullptr; }
    const std::string& Error() const { return m_error; }
    const std::filesystem::path& SocketPath() const { return m_socketPath; }

    // base followed by "@" and the desktop's display (Wayland's, else X's) with any "/" made
    // "_", so each desktop of the user runs its own program; base alone without a display.
    static std::string InstanceName(const std::string& base);

    // The folder for the lock: $XDG_RUNTIME_DIR/tavolux, or a private folder in the temporary
    // folder when the session has no runtime folder. Created (mode 0700) when missing; empty
    // when it cannot be made, with the reason in error.
    static std::filesystem::path DefaultDir(std::string* error = nullptr);

private:
    Result AskOther();
    void ListenLoop();

    std::filesystem::path m_dir;
    std::string m_name;
    std::filesystem::path m_socketPath;
    std::unique_ptr<CFileLock> m_lock;
    int m_socket = -1;
    int m_wakeRead = -1;  // a byte here stops the listener
    int m_wakeWrite = -1;
    std::function<void()> m_onRaise;
    std::thread m_listener;
    std::string m_error;
};

}  // namespace tavolux
