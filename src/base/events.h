// What Kestrel did, and what kept it from acting, as the history records it: an event word (one of the
// kEvent texts) and a short detail. Features report through this interface; the app passes the history,
// tests pass a recorder. Nothing reports once a second, and a detail never holds a password.
#pragma once

#include <string>

namespace kestrel {

class EventSink {
public:
    virtual ~EventSink() = default;
    virtual void Record(const std::wstring& event, const std::wstring& detail) = 0;
};

// Records nothing: for callers that were given no history.
class NoEvents final : public EventSink {
public:
    void Record(const std::wstring&, const std::wstring&) override {}
};

} // namespace kestrel
