#include <iostream>
#include <vector>

#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include "Command.h"
#include "Config/TCHostPaths.h"
#include "Crypto/TCCryptoUtil.h"
#include "Mail/TCKnmsMailMessage.h"
#include "Mail/TCKnmsRecords.h"
#include "Mail/TCKnmsServiceProxy.h"

namespace keynodectl {
namespace {

using Record = KeynodeApi::TCKnmsWebApiRequestObject;
using Writer = rapidjson::Writer<rapidjson::StringBuffer>;

struct MailOptions {
    std::string method, path, user, body;
    // In the order given; a parameter without value has none.
    std::vector<std::pair<std::string, Accessories::TCNullTypes<std::string>>> params;
    bool hasRawParams = false;
    std::string rawParams;
    int maxSize = 0;
    int timeoutSeconds = 10;
};

MailOptions parseMailOptions(const Args& args) {
    MailOptions o;
    std::vector<std::string> positional;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        auto value = [&]() -> const std::string& {
            if (i + 1 >= args.size()) throw UsageError("mail: " + word + " needs a value");
            return args[++i];
        };
        if (word == "--user")
            o.user = value();
        else if (word == "--param") {
            const std::string& pair = value();
            const size_t equals = pair.find('=');
            if (equals == std::string::npos || equals == 0)
                throw UsageError("mail: --param takes NAME=VALUE, not '" + pair + "'");
            o.params.emplace_back(pair.substr(0, equals), pair.substr(equals + 1));
        } else if (word == "--param-null") {
            const std::string& name = value();
            if (name.empty()) throw UsageError("mail: --param-null takes a NAME");
            o.params.emplace_back(name, Accessories::TCNullTypes<std::string>());
        } else if (word == "--body")
            o.body = value();
        else if (word == "--max-size")
            o.maxSize = int(parseNumber(value(), "--max-size", 0, INT32_MAX));
        else if (word == "--raw-params") {
            o.rawParams = value();
            o.hasRawParams = true;
        } else if (word == "--timeout")
            o.timeoutSeconds = int(parseNumber(value(), "--timeout", 1, 3600));
        else if (word.rfind("--", 0) == 0)
            throw UsageError("mail: unknown option " + word);
        else
            positional.push_back(word);
    }
    if (positional.size() != 2) throw UsageError("mail METHOD PATH --user NAME [options]");
    o.method = positional[0];
    o.path = positional[1];
    if (o.user.empty()) throw UsageError("mail: --user NAME is required");
    if (o.hasRawParams && !o.params.empty())
        throw UsageError("mail: --raw-params replaces --param and --param-null; give one or the other");
    return o;
}

std::string paramsDocument(const MailOptions& o) {
    if (o.hasRawParams) return o.rawParams;
    if (o.params.empty()) return std::string();
    rapidjson::StringBuffer buffer;
    Writer writer(buffer);
    writer.StartObject();
    writer.Key("params");
    writer.StartArray();
    for (const auto& param : o.params) {
        writer.StartObject();
        writer.Key("name");
        writer.String(param.first.c_str());
        if (param.second.IsNotNull()) {
            writer.Key("value_b64");
            writer.String(TCCryptoUtil::Base64Encode(param.second.get_Value()).c_str());
        }
        writer.EndObject();
    }
    writer.EndArray();
    writer.EndObject();
    return buffer.GetString();
}

// The decoded body as JSON when it is JSON, else as text; null when empty.
void writeBody(Writer& writer, const std::string& body) {
    if (body.empty()) {
        writer.Null();
        return;
    }
    rapidjson::Document doc;
    doc.Parse<rapidjson::kParseIterativeFlag>(body.data(), body.size());
    if (doc.HasParseError())
        writer.String(body.data(), static_cast<rapidjson::SizeType>(body.size()));
    else
        doc.Accept(writer);
}

} // namespace

int runMail(const keynode::DataDir& dir, const Args& args) {
    const MailOptions o = parseMailOptions(args);
    if (!dir.exists()) throw std::runtime_error("no data directory with a database at " + dir.path());
    TCHostPaths::SetRoot(dir.rootDir());

    TCKnmsMailMessage<Record> request(KeynodeApi::Knms_WebApiRequestMail, KNMS_SIGNAL_DATA,
                                      KNMS_MARKER_REQUEST);
    TCKnmsRecord& record = request.AddRecord();
    record.Field(Record::USER_NAME) = o.user;
    record.Field(Record::PATH) = o.path;
    record.Field(Record::METHOD) = o.method;
    record.Field(Record::BODY) = TCCryptoUtil::Base64Encode(o.body);
    const std::string params = paramsDocument(o);
    record.Field(Record::QUERY_PARAMS) = params.empty() ? std::string() : TCCryptoUtil::Base64Encode(params);
    record.Field(Record::MAX_RESPONSE_SIZE) = o.maxSize;

    TCKnmsServiceProxy proxy;
    TCKnmsMessage mail = request.Message();
    std::string error;
    if (!proxy.SendAndWait(TCKnmsServiceName::MakeLocalProcess("@keynodeweb.webapi", ""), mail,
                           o.timeoutSeconds * 1000, &error)) {
        std::cerr << "keynodectl: no reply: " << error << "\n";
        return 1;
    }
    TCKnmsMailMessage<Record> reply;
    reply.Copy(mail);
    if (reply.get_RecordCount() == 0) {
        std::cerr << "keynodectl: the reply carries no record\n";
        return 1;
    }
    const TCKnmsRecord& answer = reply.get(0);
    rapidjson::StringBuffer buffer;
    Writer writer(buffer);
    writer.StartObject();
    if (mail.get_Marker() == KNMS_MARKER_ERROR_REPLY) {
        writer.Key("errorCode");
        writer.Int(answer.Field(Record::ERROR_CODE).get_AsInteger());
        writer.Key("errorText");
        const std::string text = answer.Field(Record::ERROR_TEXT).get_AsString();
        writer.String(text.data(), static_cast<rapidjson::SizeType>(text.size()));
    } else {
        writer.Key("status");
        writer.Int(answer.Field(Record::STATUS).get_AsInteger());
        writer.Key("body");
        std::string body;
        try {
            body = TCCryptoUtil::Base64Decode(answer.Field(Record::RESPONSE_BODY).get_AsString());
        } catch (const std::exception&) {
            body = answer.Field(Record::RESPONSE_BODY).get_AsString();
        }
        writeBody(writer, body);
    }
    writer.EndObject();
    std::cout << buffer.GetString() << "\n";
    return 0;
}

} // namespace keynodectl
