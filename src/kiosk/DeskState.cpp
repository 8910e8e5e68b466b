#include "kiosk/DeskState.h"

#include "foundation/Product.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <utility>

DeskState::~DeskState()
{
    std::shared_ptr<ServerConnection> last;
    {
        std::lock_guard<std::mutex> lock(deskMutex);
        last = std::move(socketMember);
        waiting.clear();
    }
    if (last) {
        // Waits for a call already inside this object to return, and no
        // further call can start.
        last->SetProcessor(nullptr);
        last->Hangup();
    }
    {
        // A connection that let go of itself during its reply may still be
        // finishing that call.
        std::unique_lock<std::mutex> lock(deskMutex);
        callsDone.wait(lock, [this] { return activeCalls == 0; });
    }
    // The thread wakes at once from a receive or a connect; only a name
    // look-up cannot be cut short, and that is bounded by the connect
    // time-out.
    if (last)
        last->WaitFinished(connectTimeoutMs + 500);
}

DeskState::CallScope::CallScope(DeskState& d) : desk(d)
{
    std::lock_guard<std::mutex> lock(desk.deskMutex);
    ++desk.activeCalls;
}

DeskState::CallScope::~CallScope()
{
    // Notified under the lock: the destructor cannot finish (and free the
    // condition variable) before this call has let go of it.
    std::lock_guard<std::mutex> lock(desk.deskMutex);
    --desk.activeCalls;
    desk.callsDone.notify_all();
}

void DeskState::SetRepaintRequest(std::function<void()> request)
{
    std::lock_guard<std::mutex> lock(deskMutex);
    repaintRequest = std::move(request);
}

void DeskState::RequestRepaint()
{
    std::function<void()> request;
    {
        std::lock_guard<std::mutex> lock(deskMutex);
        request = repaintRequest;
    }
    if (request)
        request();
}

void DeskState::SetServerPort(uint16_t port)
{
    std::lock_guard<std::mutex> lock(deskMutex);
    serverPort = port;
}

uint16_t DeskState::GetServerPort() const
{
    std::lock_guard<std::mutex> lock(deskMutex);
    return serverPort;
}

void DeskState::SetConnectTimeoutMs(int ms)
{
    std::lock_guard<std::mutex> lock(deskMutex);
    connectTimeoutMs = ms;
}

void DeskState::SetReplyTimeoutMs(int ms)
{
    std::lock_guard<std::mutex> lock(deskMutex);
    replyTimeoutMs = ms;
}

KioskSettings DeskState::GetSettings() const
{
    std::lock_guard<std::mutex> lock(deskMutex);
    return settings;
}

void DeskState::SetSettings(const KioskSettings& value)
{
    std::lock_guard<std::mutex> lock(deskMutex);
    settings = value;
}

void DeskState::LoadSettings()
{
    std::lock_guard<std::mutex> lock(deskMutex);
    settings.Load();
}

LangIndex DeskState::GetLanguage()
{
    std::lock_guard<std::mutex> lock(deskMutex);
    return GetLanguageLocked();
}

LangIndex DeskState::GetLanguageLocked()
{
    if (settings.GetLangIndex() < 0)
        settings.SetLangIndex(DefaultLanguageForCodePage(OemCodePage()));
    return settings.GetLangIndex();
}

void DeskState::SetPendingSettings(const KioskSettings& confirmed)
{
    // The receive thread reads them under deskMutex.
    std::lock_guard<std::mutex> lock(deskMutex);
    pending = confirmed;
}

bool DeskState::SaveSettings(const KioskSettings& toSave)
{
    if (toSave.Save())
        return true;
    const std::string path = KioskSettings::FilePath();
    PrintJournal* journalNow;
    {
        std::lock_guard<std::mutex> lock(deskMutex);
        std::u16string note = LangTextW(kNoteSettingsNotSaved, GetLanguageLocked());
        const size_t at = note.find(u"%1");
        if (at != std::u16string::npos)
            note.replace(at, 2, Utf8ToWide(path));
        SetNoteLocked(note);
        journalNow = journal;
    }
    Json::Value fields(Json::objectValue);
    fields["reason"] = "cannot write " + path;
    // The journal mirrors its lines to standard error.
    if (journalNow != nullptr)
        journalNow->Write(JournalEvent::kSettings, fields);
    else
        std::fprintf(stderr, "kiosk: the confirmed settings could not be saved: cannot write %s\n", path.c_str());
    RequestRepaint();
    return false;
}

void DeskState::DeferLocked(std::function<void()> work)
{
    deferred.push_back(std::move(work));
}

void DeskState::RunDeferred()
{
    std::vector<std::function<void()>> work;
    {
        std::lock_guard<std::mutex> lock(deskMutex);
        work.swap(deferred);
    }
    for (const auto& w : work)
        w();
}

bool DeskState::IsSynchronized() const
{
    std::lock_guard<std::mutex> lock(deskMutex);
    return synchronized;
}

SignupList DeskState::GetFullList() const
{
    std::lock_guard<std::mutex> lock(deskMutex);
    return fullList;
}

SignupList DeskState::GetPrintableList() const
{
    std::lock_guard<std::mutex> lock(deskMutex);
    return printableList;
}

std::string DeskState::GetEventText() const
{
    std::lock_guard<std::mutex> lock(deskMutex);
    return eventText;
}

void DeskState::SetEventText(const std::string& text)
{
    std::lock_guard<std::mutex> lock(deskMutex);
    eventText = text;
}

size_t DeskState::TeamJobCount() const
{
    std::lock_guard<std::mutex> lock(deskMutex);
    return teamJobs.size();
}

bool DeskState::TakeTeamJob(TeamScorecardJob& job)
{
    std::lock_guard<std::mutex> lock(deskMutex);
    if (teamJobs.empty())
        return false;
    job = std::move(teamJobs.front());
    teamJobs.pop_front();
    return true;
}

bool DeskState::IsPairPending() const
{
    std::lock_guard<std::mutex> lock(deskMutex);
    return pairPending;
}

bool DeskState::TakePairScorecard(PairScorecardJob& out)
{
    std::lock_guard<std::mutex> lock(deskMutex);
    if (!pairPending)
        return false;
    out = pairJob;
    pairPending = false;
    return true;
}

void DeskState::AttachSpool(PrintSpool* spoolIn, PrintJournal* journalIn, std::function<void()> spooled)
{
    std::unique_lock<std::mutex> lock(deskMutex);
    spool = spoolIn;
    journal = journalIn;
    spooledNotice = std::move(spooled);
    // A connection's call that took the old ones before this may still be
    // writing with them, or about to call the notice.
    callsDone.wait(lock, [this] { return activeCalls == 0; });
}

PrintJournal* DeskState::Journal() const
{
    std::lock_guard<std::mutex> lock(deskMutex);
    return journal;
}

std::string DeskState::EntryLabelLocked(int32_t sectionId, int32_t teamNumber) const
{
    for (const auto& entry : fullList)
        if (entry.GetSectionId() == sectionId && entry.GetTeamNumber() == teamNumber)
            return entry.Label();
    return std::to_string(sectionId) + "-" + std::to_string(teamNumber);
}

bool DeskState::SpoolScorecardLocked(const ServerMessage& message)
{
    if (journal == nullptr && spool == nullptr)
        return false;
    const int32_t section = message.GetInt(MsgKey::kSectionId);
    const int32_t team = message.GetInt(MsgKey::kTeamNumber);
    const std::string label = EntryLabelLocked(section, team);
    PrintJournal* const journalNow = journal;
    PrintSpool* const spoolNow = spool;
    DeferLocked([journalNow, spoolNow, message, section, team, label] {
        if (journalNow != nullptr) {
            Json::Value fields = PrintJournal::EntryFields(label, section, team);
            fields["msg"] = message.MsgId();
            journalNow->Write(JournalEvent::kReply, fields);
        }
        if (spoolNow == nullptr)
            return;
        std::string error;
        const std::optional<SpoolEntry> stored =
            spoolNow->Add(message.MsgId(), section, team, label, message, error);
        if (journalNow == nullptr)
            return;
        Json::Value fields = PrintJournal::EntryFields(label, section, team);
        if (!stored) {
            fields["reason"] = "spool: " + error;
            journalNow->Write(JournalEvent::kFailed, fields);
            return;
        }
        fields["spool"] = stored->id;
        if (stored->kept) {
            // It prints from memory, followed like any other; it reaches the
            // spool (a "spooled" line with "from": "memory") once the
            // folder takes it again.
            fields["reason"] = "spool: " + error;
            journalNow->Write(JournalEvent::kKept, fields);
        } else {
            journalNow->Write(JournalEvent::kSpooled, fields);
        }
    });
    if (spool == nullptr)
        return false;
    spooledWanted = true;
    return true;
}

void DeskState::ShowNote(const std::u16string& text)
{
    std::lock_guard<std::mutex> lock(deskMutex);
    SetNoteLocked(text);
}

void DeskState::ShowLocalizedNote(const std::string& triple)
{
    std::lock_guard<std::mutex> lock(deskMutex);
    SetNoteLocked(LangTextW(triple, GetLanguageLocked()));
}

void DeskState::SetNoteLocked(const std::u16string& text)
{
    noteText = text;
    noteTime = NoteClock::now();
}

std::u16string DeskState::CurrentNote()
{
    std::lock_guard<std::mutex> lock(deskMutex);
    return CurrentNoteLocked(NoteClock::now());
}

std::u16string DeskState::CurrentNoteLocked(NoteClock::time_point now)
{
    if (noteText.empty())
        return noteText;
    const double age = std::chrono::duration<double>(now - noteTime).count();
    const long long seconds = std::llround(age);
    if (seconds < -kNoteSeconds || seconds > kNoteSeconds)
        noteText.clear();
    return noteText;
}

bool DeskState::IsConnectionInProgress() const
{
    std::lock_guard<std::mutex> lock(deskMutex);
    return socketMember != nullptr || !waiting.empty();
}

void DeskState::StartRequestLocked(Request request)
{
    auto fresh = std::make_shared<ServerConnection>();
    fresh->SetConnectTimeoutMs(connectTimeoutMs);
    fresh->SetReplyTimeoutMs(replyTimeoutMs);
    fresh->SetMaxFrameLength(kMaxReplyFrameLength);
    if (!fresh->Create() || !fresh->BindAny()) {
        fresh->Hangup();
        SetNoteLocked(LangTextW(kNoteCannotCreateSocket, GetLanguageLocked()));
        repaintWanted = true;
        return;
    }
    fresh->SetBufferSizes();
    fresh->SetProcessorBeforeStart(this);
    socketMember = fresh;
    confirmingSock = request.confirming ? fresh->Descriptor() : -1;
    // Look-up, connect, send and receive all happen on the connection's own
    // thread: the caller (usually the GUI thread) never waits on the network.
    if (!ServerConnection::StartRequest(fresh, Utf8ToWide(request.address), serverPort, std::move(request.frame))) {
        socketMember.reset();
        confirmingSock = -1;
        fresh->SetProcessorBeforeStart(nullptr);
        fresh->Hangup();
        SetNoteLocked(LangTextW(kNoteCannotCreateSocket, GetLanguageLocked()));
        repaintWanted = true;
    }
}

void DeskState::StartWaitingLocked()
{
    while (!socketMember && !waiting.empty()) {
        Request next = std::move(waiting.front());
        waiting.pop_front();
        StartRequestLocked(std::move(next));
    }
}

void DeskState::ConnectToServer(const std::string& address)
{
    std::shared_ptr<ServerConnection> old;
    {
        std::lock_guard<std::mutex> lock(deskMutex);
        old = std::move(socketMember);
    }
    if (old) {
        old->SetProcessor(nullptr);
        old->Hangup();
        old.reset();
    }
    bool repaint;
    {
        std::lock_guard<std::mutex> lock(deskMutex);
        repaintWanted = false;
        StartRequestLocked(Request{address.size() >= 5 ? address : settings.GetServerIp(), std::string(), false});
        repaint = repaintWanted;
    }
    if (repaint)
        RequestRepaint();
}

void DeskState::SendToServer(const std::string& address, const ServerMessage& message)
{
    SendJournaled(address, message, nullptr);
}

void DeskState::SendJournaled(const std::string& address, const ServerMessage& message, const Json::Value* journalFields)
{
    Request request;
    request.frame = MessageFrame::Encode(message.ToJsonText(), message.Attachment());
    request.confirming = message.MsgId() == kMsgSignupList && message.GetFlag(MsgKey::kConfirmed);
    bool repaint;
    {
        std::lock_guard<std::mutex> lock(deskMutex);
        request.address = address.size() >= 5 ? address : settings.GetServerIp();
        repaintWanted = false;
        const bool busy = socketMember || !waiting.empty();
        const bool taken = !busy || waiting.size() < kMaxWaitingRequests;
        // Journaled before the request can start: its reply, written by the
        // connection's thread, must never come first in the journal.
        if (journal != nullptr && journalFields != nullptr) {
            Json::Value fields = *journalFields;
            fields["sent"] = taken;
            journal->Write(JournalEvent::kRequest, fields);
        }
        if (busy) {
            // The request in progress lasts a fraction of a second (or up to
            // its time-out); this one goes out right after it.
            if (taken)
                waiting.push_back(std::move(request));
            else
                SetNoteLocked(LangTextW(kNoteNotSynchronized, GetLanguageLocked()));
            return;
        }
        StartRequestLocked(std::move(request));
        repaint = repaintWanted;
    }
    if (repaint)
        RequestRepaint();
}

bool DeskState::TakeRefusedSettings(KioskSettings& typed)
{
    std::lock_guard<std::mutex> lock(deskMutex);
    if (!settingsRefused)
        return false;
    settingsRefused = false;
    typed = pending;
    typed.SetAccessCode("");
    return true;
}

void DeskState::RequestSignupList(const std::string& filter, bool confirmed, const std::string& address,
                                  const std::string& code)
{
    std::string accessCode = code;
    if (accessCode.empty()) {
        std::lock_guard<std::mutex> lock(deskMutex);
        accessCode = settings.GetAccessCode();
    }
    ServerMessage message;
    message.ResetMessage(kMsgSignupList);
    message.SetText(MsgKey::kVersion, kProgramVersion);
    message.SetText(MsgKey::kAccessCode, accessCode);
    message.SetText(MsgKey::kFilter, filter);
    message.SetFlag(MsgKey::kConfirmed, confirmed);
    SendToServer(address, message);
}

void DeskState::RequestPrint(int32_t sectionId, int32_t teamNumber)
{
    ServerMessage message;
    message.ResetMessage(kMsgPrintRequest);
    message.SetInt(MsgKey::kSectionId, sectionId);
    message.SetInt(MsgKey::kTeamNumber, teamNumber);
    Json::Value fields;
    {
        std::lock_guard<std::mutex> lock(deskMutex);
        fields = PrintJournal::EntryFields(EntryLabelLocked(sectionId, teamNumber), sectionId, teamNumber);
    }
    SendJournaled("", message, &fields);
}

void DeskState::OnSocketClosed(int sock)
{
    const CallScope call(*this);
    std::shared_ptr<ServerConnection> released;
    bool repaint;
    {
        std::lock_guard<std::mutex> lock(deskMutex);
        repaintWanted = false;
        // Only the connection that ended is released; a newer one stays.
        if (socketMember && socketMember->Descriptor() == sock) {
            released = std::move(socketMember);
            confirmingSock = -1;
        }
        StartWaitingLocked();
        repaint = repaintWanted;
    }
    if (released) {
        // The object stays alive for the thread that is calling us.
        released->SetProcessor(nullptr);
        released->Hangup();
    }
    if (repaint)
        RequestRepaint();
}

void DeskState::OnSocketFault(int sock, SocketFault fault, const std::string& detail)
{
    const CallScope call(*this);
    bool repaint = false;
    {
        std::lock_guard<std::mutex> lock(deskMutex);
        if (!socketMember || socketMember->Descriptor() != sock)
            return;
        switch (fault) {
        case SocketFault::ConnectFailed:
        case SocketFault::SendFailed:
        case SocketFault::ReplyTimedOut:
            SetNoteLocked(LangTextW(kNoteCannotConnect, GetLanguageLocked()));
            repaint = true;
            break;
        case SocketFault::FrameTooLarge:
        case SocketFault::BrokenStream: {
            // Not a network trouble a person can fix at the kiosk: the server
            // sent something no reply of ours looks like. The director finds
            // it in the log and the journal.
            // The kiosk's journal mirrors every line to standard error.
            ReportRefusedReplyLocked(detail);
            break;
        }
        }
    }
    RunDeferred();
    if (repaint)
        RequestRepaint();
}

void DeskState::OnSocketMessage(int sock, ServerMessage& message)
{
    const CallScope call(*this);
    std::shared_ptr<ServerConnection> answered;
    bool repaint = false;
    bool spooled = false;
    std::function<void()> spooledCall;
    {
        std::lock_guard<std::mutex> lock(deskMutex);
        const bool current = socketMember && socketMember->Descriptor() == sock;
        repaintWanted = false;
        spooledWanted = false;
        const bool refused = message.MsgId() == kMsgSignupList && current && sock == confirmingSock &&
                             !message.GetFlag(MsgKey::kConfirmed);
        if (refused) {
            // The server did not take the confirmation (a wrong access code):
            // say so, let the settings dialog come back with what was typed,
            // and show nothing of a list asked for with settings not in force.
            settingsRefused = true;
            SetNoteLocked(LangTextW(kNoteSettingsRefused, GetLanguageLocked()));
            repaintWanted = true;
        }
        switch (refused ? 0 : message.MsgId()) {
        case kMsgSignupList: ApplySignupList(message); break;
        case kMsgTeamScorecard: QueueTeamScorecard(message); break;
        case kMsgPairScorecard: StorePairScorecard(message); break;
        case kMsgNote: SetNoteLocked(Utf8ToWide(message.GetText(MsgKey::kNotes))); break;
        default: break; // unknown or missing id: only the connection ends
        }
        repaint = repaintWanted;
        spooled = spooledWanted;
        spooledCall = spooledNotice;
        // One request, one reply: the connection is shut here, so nothing
        // else it carries reaches this object.
        if (current)
            answered = socketMember;
    }
    RunDeferred();
    if (answered) {
        // We are on its thread, inside its call: the processor lock is ours.
        answered->SetProcessor(nullptr);
        answered->Close(); // lingers briefly, as the server expects
    }
    if (spooled && spooledCall)
        spooledCall();
    if (repaint)
        RequestRepaint();
    if (!answered)
        return;
    // Only now is the kiosk idle again, and a request that waited goes out.
    bool startedRepaint;
    {
        std::lock_guard<std::mutex> lock(deskMutex);
        if (socketMember == answered) {
            socketMember.reset();
            confirmingSock = -1;
        }
        repaintWanted = false;
        StartWaitingLocked();
        startedRepaint = repaintWanted;
    }
    if (startedRepaint)
        RequestRepaint();
}

void DeskState::ApplySignupList(const ServerMessage& message)
{
    const bool confirmed = message.GetFlag(MsgKey::kConfirmed);
    const Json::Value& list = message.GetObject(MsgKey::kSignupList);
    const std::string text1 = message.GetText(MsgKey::kEventText);
    // Fresh lists replace the old ones, so that the storage of a large list
    // goes with it instead of staying reserved for the rest of the run. A
    // list over its cap is refused whole: the kiosk keeps what it shows, and
    // a confirmation it carried does not take effect.
    SignupList full;
    if (const ReadStatus status = full.FromJson(list); !status.ok) {
        ReportRefusedReplyLocked("list reply: " + status.reason);
        return;
    }
    if (confirmed) {
        settings = pending;
        synchronized = true;
        DeferLocked([this, toSave = settings] { SaveSettings(toSave); });
    }
    full.Sort();
    SignupList printable;
    for (const auto& entry : full)
        if (!entry.GetPrinted())
            printable.push_back(entry);
    fullList = std::move(full);
    printableList = std::move(printable);
    eventText = text1;
    repaintWanted = true;
}

void DeskState::QueueTeamScorecard(const ServerMessage& message)
{
    // Read before it is kept: a scorecard over a list cap is refused here,
    // never spooled to fail at every print attempt.
    TeamScorecardJob job;
    if (const ReadStatus status = job.FromMessage(message); !status.ok) {
        ReportRefusedScorecardLocked(message, status.reason);
        return;
    }
    if (!SpoolScorecardLocked(message))
        teamJobs.push_back(std::move(job));
    printableList.Remove(message.GetInt(MsgKey::kSectionId), message.GetInt(MsgKey::kTeamNumber));
    SetNoteLocked(LangTextW(kNotePrinting, GetLanguageLocked()));
    repaintWanted = true;
}

void DeskState::StorePairScorecard(const ServerMessage& message)
{
    // With a spool every pair scorecard is kept until printed; without one
    // the slot holds one, and a newer scorecard replaces one not yet printed.
    PairScorecardJob job;
    if (const ReadStatus status = job.FromMessage(message); !status.ok) {
        ReportRefusedScorecardLocked(message, status.reason);
        return;
    }
    if (!SpoolScorecardLocked(message)) {
        pairJob = std::move(job);
        pairPending = true;
    }
    printableList.Remove(message.GetInt(MsgKey::kSectionId), message.GetInt(MsgKey::kTeamNumber));
    SetNoteLocked(LangTextW(kNotePrinting, GetLanguageLocked()));
    // The once-per-second repaint of the desktop shows the note.
}

void DeskState::ReportRefusedReplyLocked(const std::string& reason)
{
    // The kiosk's journal mirrors every line to standard error.
    DeferLocked([journalNow = journal, reason] {
        if (journalNow != nullptr) {
            Json::Value fields(Json::objectValue);
            fields["reason"] = reason;
            journalNow->Write(JournalEvent::kServer, fields);
        } else {
            std::fprintf(stderr, "kiosk: server reply refused: %s\n", reason.c_str());
        }
    });
}

void DeskState::ReportRefusedScorecardLocked(const ServerMessage& message, const std::string& reason)
{
    const int32_t section = message.GetInt(MsgKey::kSectionId);
    const int32_t team = message.GetInt(MsgKey::kTeamNumber);
    if (journal == nullptr) {
        std::fprintf(stderr, "kiosk: scorecard %d-%d refused: %s\n", section, team, reason.c_str());
        return;
    }
    Json::Value fields = PrintJournal::EntryFields(EntryLabelLocked(section, team), section, team);
    fields["msg"] = message.MsgId();
    fields["reason"] = "refused: " + reason;
    DeferLocked([journalNow = journal, fields] { journalNow->Write(JournalEvent::kServer, fields); });
}
