// What the front doors share: the displays, the fault queue, the logs and the request-to-reply step.
#pragma once

#include "Channel.h"
#include "zolsim/DisplayModel.h"
#include "zolsim/Fault.h"
#include "zolsim/RequestLog.h"
#include "zolsim/Wire.h"

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace zolsim {

// The bytes of one reply and how to deliver them.
struct Outgoing {
    Bytes bytes;
    int delayMs = 0;
    std::size_t splitAt = 0; // 0: one write
    int splitGapMs = 0;
    bool close = false;   // close the connection after the first splitAt bytes (at once when 0)
    bool twice = false;   // write the bytes a second time after the first write
    int trickleMs = 0;    // > 0: write one byte at a time, this long before each
    bool endless = false; // write the bytes over and over until the connection closes
};

// Per connection: the byte stream being parsed and a relay header waiting for its request.
struct Session {
    RequestParser parser;
    int relayTarget = -1;
    Bytes announcement;    // the relay header's reply, sent in front of the relayed reply
    unsigned lineBaud = 0; // the serial line's speed as the client set it; 0 on TCP
    std::string address;   // where the requests come in: the listening address, or the line's path
};

class Core {
public:
    DisplayModel& AddDisplay(unsigned char id, int relayTarget);
    DisplayModel* FindDisplay(unsigned char id, int relayTarget);

    // Feeds bytes a client wrote and returns the replies to deliver, in order.
    std::vector<Outgoing> Process(Session& session, const unsigned char* bytes, std::size_t length);

    void SetGreeting(std::string text);
    std::string Greeting() const;
    void SetGreetingDelay(int ms);
    int GreetingDelay() const;

    // Secured sessions: the command port's TLS 1.2 context and the file server's lenient one, made on
    // first use from the credentials (fresh ones when none were set).
    bool SetTlsCredentials(const TlsCredentials& credentials, std::string& error);
    TlsCredentials Credentials();
    std::shared_ptr<TlsServerContext> CommandTls();
    std::shared_ptr<TlsServerContext> FileTls();
    void SetPin(std::string pin);
    // The answer to an authentication text ("ZOLAUTH<<pin>>"), or nothing when the bytes are not one.
    std::optional<Bytes> AuthReply(const unsigned char* bytes, std::size_t length);
    void SetServedFile(std::string text);
    std::string ServedFile() const;
    void CountDownload();
    int Downloads() const;
    // Takes a pending connection-level fault of this kind (StallHandshake, NeverRead); false when none is
    // pending.
    bool TakeConnectionFault(FaultKind kind);

    void InjectFault(const Fault& fault);
    void ClearFaults();
    int PendingFaults() const;
    void SetAnswerOnlyFraming(int variant);

    void LogReply(const Bytes& bytes);
    std::vector<Bytes> Writes() const;
    std::vector<Request> Requests() const;
    std::vector<Bytes> Replies() const;
    void ClearLog();
    void SetKeepLog(bool keep);
    // Every request parsed from now on also gets a line there (null: none), whether or not it is answered.
    void SetRequestLog(std::shared_ptr<RequestLog> log);
    bool WaitForRequests(std::size_t count, int timeoutMs) const;

private:
    std::optional<Outgoing> Respond(Session& session, const Request& request);
    std::optional<Fault> TakeFault(unsigned char code);
    static bool IsConnectionFault(FaultKind kind);
    bool EnsureTlsLocked(std::string& error);
    DisplayModel* PrimaryDisplay();
    std::vector<DisplayModel*> BroadcastTargets(int relayTarget);

    mutable std::mutex m_lock; // displays list, faults, settings, logs (not the displays' contents)
    mutable std::condition_variable m_requestArrived;
    std::vector<std::unique_ptr<DisplayModel>> m_displays;
    std::deque<Fault> m_faults;
    std::string m_greeting;
    int m_greetingDelayMs = 0;
    TlsCredentials m_credentials;
    std::shared_ptr<TlsServerContext> m_commandTls;
    std::shared_ptr<TlsServerContext> m_fileTls;
    std::string m_pin;
    std::string m_servedFile;
    int m_downloads = 0;
    int m_answerOnly = -1;
    bool m_keepLog = true;
    std::shared_ptr<RequestLog> m_requestLog;
    std::vector<Bytes> m_writes;
    std::vector<Request> m_requests;
    std::vector<Bytes> m_replies;
};

} // namespace zolsim
