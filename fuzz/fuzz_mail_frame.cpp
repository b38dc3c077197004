// What another process sends over the mail router, without a socket: each input is taken as a frame
// payload, as the router and every proxy read it, and as the query-parameter document of a Web API
// request mail. A frame is accepted or refused, never more; an accepted mail written back must read
// back the same. The request must be built or refused with a TCException.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "Crypto/TCCryptoUtil.h"
#include "Host/TCException.h"
#include "Interface/KnaWebRequest_MailRouter.h"
#include "mail/KnmsWire.h"

namespace {

[[noreturn]] void Fail(const char* what, const std::string& input) {
    std::fprintf(stderr, "%s\n  input (%zu bytes): %s\n", what, input.size(), input.c_str());
    std::abort();
}

bool SameMail(const TCKnmsMessage& a, const TCKnmsMessage& b) {
    return a.get_MailClassID() == b.get_MailClassID() && a.get_SignalType() == b.get_SignalType() &&
           a.get_Marker() == b.get_Marker() && a.get_Sequence() == b.get_Sequence() &&
           a.get_ReplyTo() == b.get_ReplyTo() && a.Records() == b.Records();
}

void CheckFrame(const std::string& input) {
    rapidjson::Document frame;
    if (!KnmsWire::ParseFrame(input, frame)) return;
    const auto value = frame.FindMember("mail");
    if (value == frame.MemberEnd()) return;
    TCKnmsMessage mail;
    std::string error;
    if (!KnmsWire::ReadMail(value->value, mail, error)) {
        if (error.empty()) Fail("refused without a reason", input);
        return;
    }
    const std::string written = KnmsWire::MailFrame("from", "#1", mail);
    rapidjson::Document again;
    TCKnmsMessage reread;
    if (!KnmsWire::ParseFrame(written, again) || !KnmsWire::ReadMail(again["mail"], reread, error))
        Fail("a mail written back does not read back", input);
    if (!SameMail(mail, reread)) Fail("a mail written back reads back different", input);
}

void CheckQueryParams(const std::string& input) {
    KeynodeApi::TCWebApiRequestData data;
    data.QueryParams = TCCryptoUtil::Base64Encode(input);
    try {
        const KeynodeApi::KnaWebRequest_MailRouter request(data);
        request.getParameter("id");
    } catch (const TCException&) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    CheckFrame(input);
    CheckQueryParams(input);
    return 0;
}
