#include "zolsim/DisplayModel.h"

#include "DefaultTable.h"

namespace zolsim {

namespace {

Bytes Tail(const Bytes& data, std::size_t from) {
    return from < data.size() ? Bytes(data.begin() + static_cast<std::ptrdiff_t>(from), data.end()) : Bytes{};
}

unsigned char FirstOr(const DisplayState& state, unsigned char code, unsigned char fallback) {
    const auto it = state.values.find(code);
    return it != state.values.end() && !it->second.empty() ? it->second[0] : fallback;
}

} // namespace

namespace rules {

AnswerRule Value() {
    return [](const Request& req, DisplayState& state) -> std::optional<Answer> {
        if (req.data.empty()) {
            return Answer{kAck, req.code, state.values[req.code]};
        }
        state.values[req.code] = req.data;
        return Answer{kAck, req.code, req.data};
    };
}

AnswerRule SubCoded() {
    return [](const Request& req, DisplayState& state) -> std::optional<Answer> {
        if (req.data.empty()) {
            // A bare query reads the command's first page, when it has any.
            const auto first = state.subValues.lower_bound({req.code, 0});
            if (first == state.subValues.end() || first->first.first != req.code) {
                return Answer{kNak, req.code, {}};
            }
            Bytes values{first->first.second};
            values.insert(values.end(), first->second.begin(), first->second.end());
            return Answer{kAck, req.code, values};
        }
        const auto key = std::make_pair(req.code, req.data[0]);
        if (req.data.size() == 1 || state.parameterisedQueries.count(key) != 0) {
            const auto it = state.subValues.find(key);
            if (it == state.subValues.end()) {
                return Answer{kNak, req.code, {}};
            }
            Bytes values{req.data[0]};
            values.insert(values.end(), it->second.begin(), it->second.end());
            return Answer{kAck, req.code, values};
        }
        state.subValues[key] = Tail(req.data, 1);
        return Answer{kAck, req.code, req.data};
    };
}

// The status block: value 0 the power (as 0x11 holds it), values 1 to 4 the first bytes stored for 0x12,
// 0x13, the input (0x14) and 0x18, then two zero bytes.
AnswerRule Status() {
    return [](const Request& req, DisplayState& state) -> std::optional<Answer> {
        Bytes block{FirstOr(state, 0x11, 1),
                    FirstOr(state, 0x12, 0),
                    FirstOr(state, 0x13, 0),
                    FirstOr(state, 0x14, 0x21),
                    FirstOr(state, 0x18, 0x10),
                    0x00,
                    0x00};
        return Answer{kAck, req.code, block};
    };
}

AnswerRule Refuse() {
    return [](const Request& req, DisplayState&) -> std::optional<Answer> {
        return Answer{kNak, req.code, {}};
    };
}

AnswerRule Silent() {
    return [](const Request&, DisplayState&) -> std::optional<Answer> { return std::nullopt; };
}

// Bulk frame data: sub-code 0x90, chunk index, chunk count, then the chunk's bytes.
AnswerRule BulkChunk() {
    return [](const Request& req, DisplayState& state) -> std::optional<Answer> {
        if (!state.updateMode || req.data.size() < 3 || req.data[0] != 0x90) {
            return std::nullopt;
        }
        // Chunks count only at the update speed and in order; anything else spoils the image.
        const bool rightSpeed = req.lineBaud == 0 || req.lineBaud == kUpdateBaud;
        const bool inOrder = req.data[1] == state.firmwareChunks.size();
        if (!rightSpeed || !inOrder) {
            ++state.firmwareRejectedChunks;
            return std::nullopt;
        }
        state.firmwareChunks[req.data[1]] = Tail(req.data, 3);
        state.firmwareChunkCount = req.data[2];
        return std::nullopt;
    };
}

AnswerRule IndexedList() {
    return [](const Request& req, DisplayState& state) -> std::optional<Answer> {
        std::vector<unsigned char> indexes;
        for (const auto& [key, value] : state.subValues) {
            if (key.first == req.code) {
                indexes.push_back(key.second);
            }
        }
        if (req.data.empty()) {
            return Answer{kAck, req.code, {static_cast<unsigned char>(indexes.size())}};
        }
        const auto it = state.subValues.find({req.code, req.data[0]});
        if (it == state.subValues.end()) {
            return Answer{kNak, req.code, {}};
        }
        Bytes values{req.data[0]};
        values.insert(values.end(), it->second.begin(), it->second.end());
        return Answer{kAck, req.code, values};
    };
}

AnswerRule UpdateModeSwitch() {
    return [sub = SubCoded()](const Request& req, DisplayState& state) -> std::optional<Answer> {
        if (req.data.size() >= 2 && req.data[0] == 0x91) {
            const bool entering = req.data[1] != 0;
            if (entering && !state.updateMode) {
                state.firmwareChunks.clear();
                state.firmwareChunkCount = 0;
            }
            state.updateMode = entering;
        }
        return sub(req, state);
    };
}

AnswerRule ProductInfo() {
    return [sub = SubCoded()](const Request& req, DisplayState& state) -> std::optional<Answer> {
        if (req.data.size() == 1 && req.data[0] == 0xC0) {
            return Answer{
                kAck, req.code, {0xC0, static_cast<unsigned char>(state.FirmwareComplete() ? 1 : 0)}};
        }
        if (req.data.size() >= 2 && req.data[0] == 0xC1) {
            state.updateMode = false; // the final product-information set closes the update
        }
        return sub(req, state);
    };
}

} // namespace rules

DisplayModel::DisplayModel(unsigned char id, int relayTarget) {
    m_state.id = id;
    m_state.relayTarget = relayTarget;
    FillDefaults(m_state, m_rules);
}

unsigned char DisplayModel::Id() const {
    std::lock_guard guard(m_lock);
    return m_state.id;
}

int DisplayModel::RelayTarget() const {
    std::lock_guard guard(m_lock);
    return m_state.relayTarget;
}

std::optional<Answer> DisplayModel::Handle(const Request& request) {
    std::lock_guard guard(m_lock);
    ++m_handled;
    const auto it = m_rules.find(request.code);
    if (it == m_rules.end() || !it->second) {
        return Answer{kNak, request.code, {}};
    }
    return it->second(request, m_state);
}

void DisplayModel::SetRule(unsigned char code, AnswerRule rule) {
    std::lock_guard guard(m_lock);
    m_rules[code] = std::move(rule);
}

void DisplayModel::RemoveRule(unsigned char code) {
    std::lock_guard guard(m_lock);
    m_rules.erase(code);
}

void DisplayModel::SetValue(unsigned char code, Bytes value) {
    std::lock_guard guard(m_lock);
    m_state.values[code] = std::move(value);
}

Bytes DisplayModel::Value(unsigned char code) const {
    std::lock_guard guard(m_lock);
    const auto it = m_state.values.find(code);
    return it == m_state.values.end() ? Bytes{} : it->second;
}

void DisplayModel::SetSubValue(unsigned char code, unsigned char sub, Bytes value) {
    std::lock_guard guard(m_lock);
    m_state.subValues[{code, sub}] = std::move(value);
}

Bytes DisplayModel::SubValue(unsigned char code, unsigned char sub) const {
    std::lock_guard guard(m_lock);
    const auto it = m_state.subValues.find({code, sub});
    return it == m_state.subValues.end() ? Bytes{} : it->second;
}

void DisplayModel::SetText(unsigned char code, const std::string& text) {
    SetValue(code, Bytes(text.begin(), text.end()));
}

std::string DisplayModel::Text(unsigned char code) const {
    const Bytes value = Value(code);
    return std::string(value.begin(), value.end());
}

void DisplayModel::SetPower(bool on) {
    SetValue(0x11, {static_cast<unsigned char>(on ? 1 : 0)});
}

bool DisplayModel::Power() const {
    const Bytes value = Value(0x11);
    return !value.empty() && value[0] == 1;
}

void DisplayModel::WithState(const std::function<void(DisplayState&)>& fn) {
    std::lock_guard guard(m_lock);
    fn(m_state);
}

unsigned DisplayModel::Register(unsigned address) const {
    std::lock_guard guard(m_lock);
    const auto it = m_state.registers.find(address);
    return it == m_state.registers.end() ? 0 : it->second;
}

void DisplayModel::SetRegister(unsigned address, unsigned value) {
    std::lock_guard guard(m_lock);
    m_state.registers[address] = value & 0xFFFF;
}

Bytes DisplayModel::Table(unsigned char configuration) const {
    std::lock_guard guard(m_lock);
    const auto it = m_state.tables.find(configuration);
    return it == m_state.tables.end() ? Bytes{} : it->second;
}

bool DisplayModel::UpdateMode() const {
    std::lock_guard guard(m_lock);
    return m_state.updateMode;
}

Bytes DisplayModel::FirmwareImage() const {
    std::lock_guard guard(m_lock);
    return m_state.FirmwareImage();
}

bool DisplayModel::FirmwareComplete() const {
    std::lock_guard guard(m_lock);
    return m_state.FirmwareComplete();
}

bool DisplayState::FirmwareComplete() const {
    if (firmwareChunkCount == 0) {
        return false;
    }
    for (unsigned i = 0; i < firmwareChunkCount; ++i) {
        if (firmwareChunks.count(static_cast<unsigned char>(i)) == 0) {
            return false;
        }
    }
    return true;
}

Bytes DisplayState::FirmwareImage() const {
    Bytes image;
    for (const auto& [index, chunk] : firmwareChunks) {
        image.insert(image.end(), chunk.begin(), chunk.end());
    }
    return image;
}

DisplayState DisplayModel::Snapshot() const {
    std::lock_guard guard(m_lock);
    return m_state;
}

int DisplayModel::HandledCount() const {
    std::lock_guard guard(m_lock);
    return m_handled;
}

} // namespace zolsim
