// The error catalogue: one table of codes with their own texts, and the blocks whose other
// codes share one text. The texts are the ones callers and their users have always seen,
// spelling included ("acknoledgement"), so they must not be corrected.
#include "vorsa/SMScnst.h"

namespace vorsa {

namespace {

struct ErrorEntry {
    int32_t Code;
    const char* Name;
    const char* Text;
};

constexpr ErrorEntry kErrorEntries[] = {
    // Relay-layer network causes (GSM 04.11).
    {1, "UnassignedNumber", "Unassigned (unallocated) number"},
    {8, "OperatorDeterminedBarring", "Operator determined barring"},
    {10, "CallBarred", "Call barred"},
    {17, "NetworkFailure", "Network failure"},
    {21, "ShortMessageTransferRejected", "Short message transfer rejected"},
    // GSM 04.11 names cause 22 "memory capacity exceeded"; its text here has always been
    // the one of cause 42.
    {22, "MemoryCapacityExceeded", "Congestion"},
    {27, "DestinationOutOfService", "Destination out of service"},
    {28, "UnidentifiedSubscriber", "Unidentified subscriber"},
    {29, "FacilityRejected", "Facility rejected"},
    {30, "UnknownSubscriber", "Unknown subscriber"},
    {38, "NetworkOutOfOrder", "Network out of order"},
    {41, "TemporaryFailure", "Temporary failure"},
    {42, "Congestion", "Congestion"},
    {47, "ResourcesUnavailable", "Resources unavailable, unspecified"},
    {50, "FacilityNotSubscribed", "Requested facility not subscribed"},
    {69, "FacilityNotImplemented", "Requested facility not implemented"},
    {81, "InvalidTransferReference", "Invalid short message transfer reference value"},
    {95, "InvalidMessage", "Invalid message, unspecified"},
    {96, "InvalidMandatoryInformation", "Invalid mandatory information"},
    {97, "MessageTypeNotImplemented", "Message type non-existent or not implemented"},
    {98, "MessageNotCompatible", "Message not compatible with short message protocol state"},
    {99, "InformationElementNotImplemented", "Information element non-existent or not implemented"},
    {111, "ProtocolError", "Protocol error, unspecified"},
    {127, "Interworking", "Interworking, unspecified"},
    // The modem's short-message service errors (GSM 07.05).
    {300, "MeFailure", "ME Failure"},
    {301, "SmsServiceReserved", "SMS service of ME reserved"},
    {302, "OperationNotAllowed", "Operation not allowed"},
    {303, "OperationNotSupported", "Operation not supported"},
    {304, "InvalidPduModeParameter", "Invalid PDU mode parameter"},
    {305, "InvalidTextModeParameter", "Invalid text mode parameter"},
    {310, "SimNotInserted", "SIM not inserted"},
    {311, "SimPinRequired", "SIM PIN required"},
    {312, "PhSimPinRequired", "PH-SIM PIN required"},
    {313, "SimFailure", "SIM failure"},
    {314, "SimBusy", "SIM busy"},
    {315, "SimWrong", "SIM wrong"},
    {316, "SimPukRequired", "SIM PUK required"},
    {317, "SimPin2Required", "SIM PIN2 required"},
    {318, "SimPuk2Required", "SIM PUK2 required"},
    {320, "MemoryFailure", "Memory failure"},
    {321, "InvalidMemoryIndex", "Invalid memory index"},
    {322, "MemoryFull", "Memory full"},
    {330, "SmscAddressUnknown", "SMSC address unknown"},
    {331, "NoNetworkService", "No network service"},
    {332, "NetworkTimeout", "Network timeout"},
    {340, "NoCnmaAckExpected", "No +CNMA acknoledgement expected"},
    {500, "UnknownError", "Unknown error"},
    // The library's own codes.
    {ErrNotConnected, "NotConnected", "COM Error. Terminal not connected."},
    {ErrModemError, "ModemError", "System Error."},
    {ErrReadTimeout, "ReadTimeout", "Reading Timeout."},
};

constexpr const char* kFallbackText = "Unknown of manufacturer specific error";

// Ranges whose codes without an entry share one text.
struct ErrorBlock {
    int32_t First;
    int32_t Last;
    const char* Text;
};

constexpr ErrorBlock kErrorBlocks[] = {
    {0, 127, "GSM 04.11 Error"},
    {128, 255, "GSM 03.40 Error"},
};

const ErrorEntry* FindEntry(int32_t Code) {
    for (const ErrorEntry& Entry : kErrorEntries) {
        if (Entry.Code == Code) {
            return &Entry;
        }
    }
    return nullptr;
}

}  // namespace

std::string GetErrString(int32_t Code) {
    if (const ErrorEntry* Entry = FindEntry(Code)) {
        return Entry->Text;
    }
    for (const ErrorBlock& Block : kErrorBlocks) {
        if (Code >= Block.First && Code <= Block.Last) {
            return Block.Text;
        }
    }
    return kFallbackText;
}

std::string GetErrName(int32_t Code) {
    const ErrorEntry* Entry = FindEntry(Code);
    return Entry != nullptr ? Entry->Name : "";
}

}  // namespace vorsa
