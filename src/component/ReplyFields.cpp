#include "component/ReplyFields.h"

#include <algorithm>

#include "vorsa/Framework.h"
#include "vorsa/PDU.h"
#include "vorsa/Vorsa32.h"

namespace vorsa::detail {

std::string WithoutFinalOk(std::string Text) {
    static const std::string FinalOk = "OK";
    if (endWith(Text, FinalOk)) {
        Text.resize(Text.size() - FinalOk.size());
        Text = Trim(Text);
    }
    return Text;
}

std::string HeaderFields(std::string Header) {
    const int64_t EmptyField = Pos(",,", Header);
    if (EmptyField != 0) {
        Delete(Header, EmptyField, 1);
    }
    Header.erase(std::remove(Header.begin(), Header.end(), '"'), Header.end());
    return Header;
}

std::string AnswerLine(const std::string& Reply, const std::string& Prefix) {
    size_t Start = 0;
    while (Start <= Reply.size()) {
        size_t End = Reply.find_first_of("\r\n", Start);
        if (End == std::string::npos) {
            End = Reply.size();
        }
        const std::string Line = Reply.substr(Start, End - Start);
        if (startWith(Line, Prefix)) {
            return Line;
        }
        Start = End + 1;
    }
    return "";
}

std::string DeliverHeader(const std::string& Pdu, std::string& Text) {
    std::string ServiceCentre;  // not shown
    std::string Originator;
    std::string TimeStamp;
    decodeSMS(Pdu, ServiceCentre, Originator, TimeStamp, Text);
    return Originator + "," + formatDate(TimeStamp);
}

}  // namespace vorsa::detail
