#include "exchange/CommandExchange.h"

#include "ILFDData.h"
#include "command/ReplyFrames.h"

namespace zol::exchange {

namespace {
// Commands that change the display's state in a way a second copy would repeat.
constexpr unsigned char kSentOnce = 0x1D;
constexpr unsigned char kStatus = 0x00;
constexpr int kDecodableLength = 6;
} // namespace

CommandExchange::CommandExchange(ILFDData& record, unsigned char code, bool verify, unsigned int retries,
                                 const std::vector<std::string>* displayTypeTags)
    : m_record(record), m_code(code), m_verify(verify), m_retries(retries) {
    m_decode.displayTypeTags = displayTypeTags;
}

Action CommandExchange::Start() {
    m_phase = Phase::FirstSend;
    return {Step::Transmit, 0};
}

bool CommandExchange::MatchOrSalvage() {
    if (m_last.bytes == nullptr || m_last.length <= 0) {
        return false;
    }
    if (command::ReplyMatches(m_last.bytes.get(), m_last.length, &m_record, m_code)) {
        return true;
    }
    if (m_last.length >= kDecodableLength) {
        command::DecodeReply(m_last.bytes.get(), m_last.length, &m_record, m_code, m_decode);
    }
    return false;
}

Action CommandExchange::Stop() {
    m_phase = Phase::Done;
    return {Step::Done, 0};
}

Action CommandExchange::NextAttempt() {
    if (m_attempt >= m_retries) {
        return Stop();
    }
    ++m_attempt;
    m_phase = Phase::Gap;
    return {Step::Pause, kRetryGapMs};
}

Action CommandExchange::OnTransmitted(command::Reply reply, Transmitted how) {
    m_last = std::move(reply);
    m_matched = false;
    if (how == Transmitted::ConnectTimedOut) {
        m_connectTimedOut = true;
        return Stop();
    }
    if (m_phase == Phase::FirstSend) {
        if (!m_verify || (m_matched = MatchOrSalvage())) {
            return Stop();
        }
        if (m_last.Arrived()) {
            m_phase = Phase::FirstReReceive;
            return {Step::ReceiveAgain, kReReceiveMs};
        }
        return m_code == kSentOnce ? Stop() : NextAttempt();
    }
    // A retry's transmit.
    if ((m_matched = MatchOrSalvage())) {
        return Stop();
    }
    if (!m_last.Arrived()) {
        return NextAttempt();
    }
    m_phase = Phase::RetryReReceive;
    return {Step::ReceiveAgain, kReReceiveMs};
}

Action CommandExchange::OnReceived(command::Reply reply) {
    m_last = std::move(reply);
    m_matched = MatchOrSalvage();
    if (m_phase == Phase::FirstReReceive) {
        // 0x1D is sent once only, even when its reply does not match.
        if (m_code == kSentOnce || (m_last.bytes != nullptr && m_last.length > 0 && m_matched)) {
            return Stop();
        }
        return NextAttempt();
    }
    return m_matched ? Stop() : NextAttempt();
}

Action CommandExchange::OnPaused() {
    m_phase = Phase::RetrySend;
    return {Step::Transmit, 0};
}

unsigned int CommandExchange::Finish() {
    if (m_code == kStatus) {
        m_record.SetResponding(false);
        m_record.SetPower(false);
    }
    if (m_last.bytes == nullptr || m_last.length < kDecodableLength) {
        return 0;
    }
    return command::DecodeReply(m_last.bytes.get(), m_last.length, &m_record, m_code, m_decode) ? 1 : 0;
}

} // namespace zol::exchange
