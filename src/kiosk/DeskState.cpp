#include "kiosk/DeskState.h"

#include "foundation/Product.h"

#include <cerrno>
#include <cmath>
#include <utility>

DeskState::~DeskState()
{
    std::shared_ptr<ServerConnection> last;
    {
        std::lock_guard<std::mutex> lock(deskMutex);
        last = std::move(socketMember);
    }
    if (last) {
        // Waits for a call already inside this object to return.
        last->SetProcessor(nullptr);
        last->Close();
    }
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
    // The receive thread reads pendingSettings under deskMutex.
    std::lock_guard<std::mutex> lock(deskMutex);
    pendingSettings = confirmed;
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
    std::lock_guard<std::mutex> lock(deskMutex);
    spool = spoolIn;
    journal = journalIn;
    spooledNotice = std::move(spooled);
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
    if (journal != nullptr) {
        Json::Value fields = PrintJournal::EntryFields(label, section, team);
        fields["msg"] = message.MsgId();
        journal->Write(JournalEvent::kReply, fields);
    }
    if (spool == nullptr)
        return false;
    std::string error;
    const std::optional<SpoolEntry> stored = spool->Add(message.MsgId(), section, team, label, message, error);
    if (journal != nullptr) {
        Json::Value fields = PrintJournal::EntryFields(label, section, team);
        if (stored) {
            fields["spool"] = stored->id;
            journal->Write(JournalEvent::kSpooled, fields);
        } else {
            fields["reason"] = "spool: " + error;
            journal->Write(JournalEvent::kFailed, fields);
        }
    }
    if (stored)
        spooledWanted = true;
    return stored.has_value();
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
    return socketMember != nullptr;
}

void DeskState::ConnectToServer(const std::string& address)
{
    std::shared_ptr<ServerConnection> old;
    std::string target;
    uint16_t port;
    int timeoutMs;
    {
        std::lock_guard<std::mutex> lock(deskMutex);
        old = std::move(socketMember);
        target = address.size() >= 5 ? address : settings.GetServerIp();
        port = serverPort;
        timeoutMs = connectTimeoutMs;
    }
    if (old) {
        old->SetProcessor(nullptr);
        old->Close();
        old.reset();
    }

    auto fresh = std::make_shared<ServerConnection>();
    fresh->SetConnectTimeoutMs(timeoutMs);
    if (!fresh->Create() || !fresh->BindAny()) {
        const int error = errno;
        fresh->Close();
        errno = error;
        ShowLocalizedNote(kNoteCannotCreateSocket);
        return;
    }
    fresh->SetBufferSizes();
    // The connect runs without the lock: a receive thread of an earlier
    // connection may still need it, and the wait is bounded anyway.
    if (!fresh->ConnectTo(Utf8ToWide(target), port)) {
        ShowLocalizedNote(kNoteCannotConnect);
        return;
    }
    fresh->SetProcessor(this);
    {
        std::lock_guard<std::mutex> lock(deskMutex);
        socketMember = fresh;
    }
    if (!ServerConnection::StartReceiveThread(fresh)) {
        {
            std::lock_guard<std::mutex> lock(deskMutex);
            if (socketMember == fresh)
                socketMember.reset();
        }
        fresh->SetProcessor(nullptr);
        fresh->Close();
        ShowLocalizedNote(kNoteCannotCreateSocket);
        return;
    }
    fresh->SetBufferSizes();
}

void DeskState::SendToServer(const std::string& address, const ServerMessage& message)
{
    ConnectToServer(address);
    std::shared_ptr<ServerConnection> connection;
    {
        std::lock_guard<std::mutex> lock(deskMutex);
        connection = socketMember;
    }
    if (!connection || connection->Handle() < 0)
        return; // the failure note is already shown
    // A failed send is not reported: the reply simply never comes, and the
    // connection ends when the server closes it.
    connection->SendMessage(message);
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
    SendToServer("", message);
}

void DeskState::OnSocketClosed(int sock)
{
    std::shared_ptr<ServerConnection> released;
    {
        std::lock_guard<std::mutex> lock(deskMutex);
        // Only the connection that ended is released; a newer one stays.
        if (socketMember && socketMember->Descriptor() == sock)
            released = std::move(socketMember);
    }
    if (released) {
        released->SetProcessor(nullptr);
        released->Close();
    }
}

void DeskState::OnSocketMessage(int sock, ServerMessage& message)
{
    std::shared_ptr<ServerConnection> answered;
    bool repaint = false;
    bool spooled = false;
    std::function<void()> spooledCall;
    {
        std::lock_guard<std::mutex> lock(deskMutex);
        repaintWanted = false;
        spooledWanted = false;
        switch (message.MsgId()) {
        case kMsgSignupList: ApplySignupList(message); break;
        case kMsgTeamScorecard: QueueTeamScorecard(message); break;
        case kMsgPairScorecard: StorePairScorecard(message); break;
        case kMsgNote: SetNoteLocked(Utf8ToWide(message.GetText(MsgKey::kNotes))); break;
        default:
            break; // unknown or missing id: only the connection ends
        }
        repaint = repaintWanted;
        spooled = spooledWanted;
        spooledCall = spooledNotice;
        if (socketMember && socketMember->Descriptor() == sock)
            answered = socketMember;
    }
    if (spooled && spooledCall)
        spooledCall();
    // One request, one reply. The object stays until the receive loop sees
    // the closed socket and reports it through OnSocketClosed.
    if (answered)
        answered->Close();
    if (repaint)
        RequestRepaint();
}

void DeskState::ApplySignupList(const ServerMessage& message)
{
    const bool confirmed = message.GetFlag(MsgKey::kConfirmed);
    const Json::Value& list = message.GetObject(MsgKey::kSignupList);
    const std::string text1 = message.GetText(MsgKey::kEventText);
    if (confirmed) {
        settings = pendingSettings;
        settings.Save();
        synchronized = true;
    }
    fullList.FromJson(list);
    fullList.Sort();
    printableList.clear();
    for (const auto& entry : fullList)
        if (!entry.GetPrinted())
            printableList.push_back(entry);
    eventText = text1;
    repaintWanted = true;
}

void DeskState::QueueTeamScorecard(const ServerMessage& message)
{
    if (!SpoolScorecardLocked(message)) {
        TeamScorecardJob job;
        job.FromMessage(message);
        teamJobs.push_back(std::move(job));
    }
    printableList.Remove(message.GetInt(MsgKey::kSectionId), message.GetInt(MsgKey::kTeamNumber));
    SetNoteLocked(LangTextW(kNotePrinting, GetLanguageLocked()));
    repaintWanted = true;
}

void DeskState::StorePairScorecard(const ServerMessage& message)
{
    // With a spool every pair scorecard is kept until printed; without one
    // the slot holds one, and a newer scorecard replaces one not yet printed.
    if (!SpoolScorecardLocked(message)) {
        pairJob.FromMessage(message);
        pairPending = true;
    }
    printableList.Remove(message.GetInt(MsgKey::kSectionId), message.GetInt(MsgKey::kTeamNumber));
    SetNoteLocked(LangTextW(kNotePrinting, GetLanguageLocked()));
    // The once-per-second repaint of the desktop shows the note.
}
