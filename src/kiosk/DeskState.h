#pragma once
// The self-print desktop's server side, without any window: the connection
// in progress, the settings in force, the two signup lists, the event text,
// the team scorecards waiting to print, the pair/individual slot and the note
// line, with the requests to the scoring server and the dispatch of its
// replies.
//
// Threads: the GUI thread calls the requests and reads the data; each
// connection's own thread does the look-up, connect, send and receive, and
// enters only through OnSocketMessage, OnSocketFault and OnSocketClosed. A
// request made while another is in progress waits in line and goes out when
// that one ends, so no touch or confirmation is lost to a poll. Everything here is guarded by deskMutex (plain, not
// recursive). Methods whose names end in "Locked" expect the caller to hold
// it; every other method takes it itself and must not be called with it held.
// The repaint request is made after the lock has been released.

#include "comm/MessageProcessor.h"
#include "comm/ServerConnection.h"
#include "comm/ServerMessage.h"
#include "foundation/LocText.h"
#include "print/PrintJournal.h"
#include "print/PrintSpool.h"
#include "scorecard/ScorecardRecords.h"
#include "settings/KioskSettings.h"
#include "tournament/Deals.h"
#include "tournament/SignupList.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class DeskState : public MessageProcessor {
public:
    using NoteClock = std::chrono::system_clock;

    // A note stays up for this many seconds.
    static constexpr int kNoteSeconds = 10;

    static constexpr const char* kNoteCannotCreateSocket =
        "无法建立Socket.||Unable to create socket(cn:无法建立Socket).||<其它>";
    static constexpr const char* kNoteCannotConnect =
        "不能连接到 QIV server.||Cannot connect to QIV server(cn:不能连接到 QIV server).||<其它>";
    static constexpr const char* kNotePrinting = "正在打印记分表||Printing Scorecard[cn:正在打印记分表]||<其它>";
    static constexpr const char* kNoteNotSynchronized =
        "网络未同步,请重新尝试.||Network not synchronized, please try again(cn:网络未同步,请重新尝试).||<其它>";

    static constexpr const char* kNoteSettingsRefused = "设置未被接受,请检查访问码.||Settings not accepted, please "
                                                        "check the access code(cn:设置未被接受,请检查访问码).||<其它>";
    // %1: the settings file.
    static constexpr const char* kNoteSettingsNotSaved =
        "设置已生效,但无法保存到 %1,重启后将丢失,请通知裁判.||The settings are in force but could not be saved in %1, "
        "so a restart loses them; please tell the director(cn:设置无法保存,请通知裁判).||<其它>";

    // The largest reply frame the kiosk takes. The reference server's sample
    // tournament answers with about 2.5 KB (list and largest scorecard alike),
    // and a large event stays in the tens of KB; 4 MiB leaves a margin of a
    // thousand and more while a hostile or broken peer can make the kiosk hold
    // no more than that.
    static constexpr int32_t kMaxReplyFrameLength = 4 * 1024 * 1024;
    // A request whose reply is not whole this long after it went out is
    // given up. Well under the poll period (about 11 s) and far above the
    // time a good server takes on a LAN.
    static constexpr int kDefaultReplyTimeoutMs = 5000;
    // Requests that may wait for the one in progress; more are refused with
    // the "not synchronized" note. A person cannot touch faster than the
    // press guard allows, so this is never reached in use.
    static constexpr size_t kMaxWaitingRequests = 8;

    DeskState() = default;
    // Detaches the connection in progress: its thread never calls this
    // object again, and it is waited for (briefly) so that it does not run
    // on after the owner is gone.
    ~DeskState() override;
    DeskState(const DeskState&) = delete;
    DeskState& operator=(const DeskState&) = delete;

    std::mutex& DeskMutex() const { return deskMutex; }

    // Called on any thread, without deskMutex held, when the data shown has
    // changed. The window turns it into a queued repaint; it must not block.
    void SetRepaintRequest(std::function<void()> request);

    // The scoring server's TCP port (9975); tests point the desk elsewhere.
    void SetServerPort(uint16_t port);
    uint16_t GetServerPort() const;
    // How long a connect may take (default 3 s).
    void SetConnectTimeoutMs(int ms);
    // How long a sent request may wait for its whole reply.
    void SetReplyTimeoutMs(int ms);

    // --- settings ---------------------------------------------------------
    KioskSettings GetSettings() const;
    void SetSettings(const KioskSettings& settings);
    KioskSettings& SettingsLocked() { return settings; }
    // Reads the settings file into the settings in force.
    void LoadSettings();
    // The display language; a negative one is filled in from the system's
    // code page first (in memory only).
    LangIndex GetLanguage();
    LangIndex GetLanguageLocked();
    // Stores the values confirmed in the settings dialog, where a confirming
    // list reply takes them from.
    void SetPendingSettings(const KioskSettings& confirmed);
    // Saves `settings` to the settings file; when that fails, says so on the
    // screen, on standard error and in the journal (the settings stay in
    // force). Call without deskMutex held: it writes to the disk.
    bool SaveSettings(const KioskSettings& settings);

    // --- lists and texts --------------------------------------------------
    bool IsSynchronized() const;
    bool IsSynchronizedLocked() const { return synchronized; }
    SignupList GetFullList() const;
    SignupList GetPrintableList() const;
    const SignupList& FullListLocked() const { return fullList; }
    const SignupList& PrintableListLocked() const { return printableList; }
    std::string GetEventText() const;
    void SetEventText(const std::string& text);
    const std::string& EventTextLocked() const { return eventText; }

    // --- durable printing ----------------------------------------------------
    // With a spool attached, every scorecard that arrives is written into it
    // (and journaled) instead of the in-memory queue and slot, and
    // `spooled` is called after each; the kiosk prints from the spool, which
    // keeps in memory what it cannot write. Null detaches, and waits for the
    // connection threads' calls in flight, so that none uses what was
    // attached after this returns.
    void AttachSpool(PrintSpool* spool, PrintJournal* journal, std::function<void()> spooled);
    PrintJournal* Journal() const;
    // The entry as a person reads it ("12.Name (A)"), from the full list;
    // "<section>-<team>" when the list does not hold it. Caller holds deskMutex.
    std::string EntryLabelLocked(int32_t sectionId, int32_t teamNumber) const;

    // --- print queue and pair slot -----------------------------------------
    size_t TeamJobCount() const;
    // Takes the oldest waiting team scorecard; false when none waits.
    bool TakeTeamJob(TeamScorecardJob& job);
    bool IsPairPending() const;
    // Copies the waiting pair scorecard and clears the pending mark; false
    // when none waits.
    bool TakePairScorecard(PairScorecardJob& out);

    // --- note line ----------------------------------------------------------
    void ShowNote(const std::u16string& text);
    // ShowNote with a localized text chosen in the current language.
    void ShowLocalizedNote(const std::string& triple);
    void SetNoteLocked(const std::u16string& text);
    // The note to draw now: a note set more than ten seconds before `now`
    // (or after it) is cleared first.
    std::u16string CurrentNote();
    std::u16string CurrentNoteLocked(NoteClock::time_point now);
    NoteClock::time_point NoteTimeLocked() const { return noteTime; }

    // --- connection and requests -------------------------------------------
    // True while a request is in progress or waits for one; the periodic
    // list poll holds back then.
    bool IsConnectionInProgress() const;
    // Replaces any connection by a new one to `address` (the settings'
    // serverIp when `address` is shorter than 5 bytes) that sends nothing.
    // It returns at once; a failure shows a note later.
    void ConnectToServer(const std::string& address);
    // Sends `message` as one frame on a new connection, made on that
    // connection's own thread; returns at once. While another request is in
    // progress it waits in line and goes out when that one has ended.
    void SendToServer(const std::string& address, const ServerMessage& message);
    // True once when a confirming list request was answered without the
    // confirmed flag; `typed` is what the director typed, access code aside.
    bool TakeRefusedSettings(KioskSettings& typed);
    // Message 203. An empty `code` takes the settings' access code.
    void RequestSignupList(const std::string& filter, bool confirmed, const std::string& address,
                           const std::string& code);
    // Message 205 to the settings' server address, journaled as a
    // "request" line ("sent": false when it could not even wait in line).
    void RequestPrint(int32_t sectionId, int32_t teamNumber);

    // --- dispatch (receive thread) -------------------------------------------
    void OnSocketClosed(int sock) override;
    void OnSocketFault(int sock, SocketFault fault, const std::string& detail) override;
    void OnSocketMessage(int sock, ServerMessage& message) override;
    // The handlers of replies 203, 207 and 208; the caller holds deskMutex.
    void ApplySignupList(const ServerMessage& message);
    void QueueTeamScorecard(const ServerMessage& message);
    void StorePairScorecard(const ServerMessage& message);
    // A reply the kiosk will not use (too large, broken, a list over its
    // cap): one journal line, or a line on standard error without a journal.
    // Caller holds deskMutex.
    void ReportRefusedReplyLocked(const std::string& reason);
    void ReportRefusedScorecardLocked(const ServerMessage& message, const std::string& reason);

private:
    struct Request {
        std::string address;
        std::string frame;
        bool confirming = false;
    };
    void RequestRepaint();
    // SendToServer, writing a "request" journal line with `journalFields`
    // (when both are there) before the request can start.
    void SendJournaled(const std::string& address, const ServerMessage& message, const Json::Value* journalFields);
    // Opens a connection for `request` and starts its thread. Caller holds
    // deskMutex and no connection is in progress.
    void StartRequestLocked(Request request);
    // Starts the first waiting request when none is in progress.
    void StartWaitingLocked();
    // Has a scorecard reply written into the spool once the lock is let go;
    // false when there is no spool. Caller holds deskMutex.
    bool SpoolScorecardLocked(const ServerMessage& message);
    // Work for the disk (spool, journal, settings file), collected while
    // deskMutex is held and done once it has been let go: painting takes
    // the same lock and must never wait for a disk.
    void DeferLocked(std::function<void()> work);
    // Does the deferred work; deskMutex not held.
    void RunDeferred();

    // Counts a connection thread's call into this object while it lasts
    // (OnSocketMessage, OnSocketFault, OnSocketClosed). A connection let go
    // inside its own call is no longer the member the destructor detaches,
    // so the destructor waits for this count instead.
    class CallScope {
    public:
        explicit CallScope(DeskState& desk);
        ~CallScope();
        CallScope(const CallScope&) = delete;
        CallScope& operator=(const CallScope&) = delete;

    private:
        DeskState& desk;
    };

    mutable std::mutex deskMutex;
    int activeCalls = 0;
    std::condition_variable callsDone;
    std::u16string noteText;
    NoteClock::time_point noteTime{};
    bool synchronized = false;
    KioskSettings settings;
    SignupList printableList;
    SignupList fullList;
    std::string eventText;
    std::shared_ptr<ServerConnection> socketMember;
    std::deque<Request> waiting;
    // The connection that carries a confirmation (-1: none), and whether its
    // reply refused it.
    int confirmingSock = -1;
    bool settingsRefused = false;
    std::deque<TeamScorecardJob> teamJobs;
    PairScorecardJob pairJob;
    bool pairPending = false;
    std::vector<std::function<void()>> deferred;
    // The values confirmed in the settings dialog, until the server's reply.
    KioskSettings pending;
    PrintSpool* spool = nullptr;
    PrintJournal* journal = nullptr;
    std::function<void()> spooledNotice;
    bool spooledWanted = false; // honoured after unlocking, like repaintWanted

    bool repaintWanted = false; // set by the handlers, honoured after unlocking
    std::function<void()> repaintRequest;
    uint16_t serverPort = ServerConnection::kServerPort;
    int connectTimeoutMs = ServerConnection::kDefaultConnectTimeoutMs;
    int replyTimeoutMs = kDefaultReplyTimeoutMs;
};
