// Putting long messages together: parts in any order, copies, a part that never comes,
// interleaved messages, and references shared by senders or reused by one.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "vorsa/PDU.h"

namespace vorsa {
namespace {

using namespace std::chrono_literals;
using TimePoint = MessageReassembler::TimePoint;

const TimePoint kStart = TimePoint{} + 1h;

// Part `sequence` of `total` with `reference` from `sender`, stored at SM `index`.
ReceivedPart part(const std::string& sender, uint16_t reference, uint8_t total, uint8_t sequence,
                  const std::string& text, int index) {
    ReceivedPart received;
    received.message.sender = sender;
    received.message.text = text;
    received.message.timeStamp = "24/06/17,15:00:0" + std::to_string(sequence) + "+08";
    received.message.concat = ConcatInfo{reference, total, sequence, false};
    received.memory = "SM";
    received.index = index;
    return received;
}

std::vector<int> indexesOf(const ReassembledMessage& message) {
    std::vector<int> indexes;
    for (const ReceivedPart& p : message.parts) {
        indexes.push_back(p.index);
    }
    return indexes;
}

TEST(Reassembly, PartsInAnyOrderMakeOneMessageWithTheirStorage) {
    MessageReassembler reassembler;
    EXPECT_EQ(reassembler.add(part("+4070", 9, 3, 3, "three", 7), kStart).status,
              PartStatus::Waiting);
    EXPECT_EQ(reassembler.add(part("+4070", 9, 3, 1, "one ", 5), kStart + 1s).status,
              PartStatus::Waiting);
    EXPECT_EQ(reassembler.pending(), 1u);
    const MessageReassembler::AddResult last =
        reassembler.add(part("+4070", 9, 3, 2, "two ", 6), kStart + 2s);
    EXPECT_EQ(last.status, PartStatus::Completed);
    ASSERT_EQ(last.messages.size(), 1u);
    const ReassembledMessage& message = last.messages[0];
    EXPECT_EQ(message.text, "one two three");
    EXPECT_EQ(message.sender, "+4070");
    EXPECT_TRUE(message.complete);
    EXPECT_EQ(message.total, 3);
    EXPECT_TRUE(message.missing.empty());
    EXPECT_EQ(message.timeStamp, "24/06/17,15:00:01+08") << "the first part's";
    EXPECT_EQ(indexesOf(message), (std::vector<int>{5, 6, 7}));
    EXPECT_EQ(reassembler.pending(), 0u);
    EXPECT_FALSE(reassembler.nextExpiry().has_value());
}

TEST(Reassembly, MessagesInOnePartAreCompleteAtOnce) {
    MessageReassembler reassembler;
    ReceivedPart plain = part("+4070", 0, 1, 1, "hello", 3);
    plain.message.concat.reset();
    for (ReceivedPart single : {plain, part("+4070", 4, 1, 1, "hello", 4)}) {
        const MessageReassembler::AddResult result = reassembler.add(single, kStart);
        EXPECT_EQ(result.status, PartStatus::Completed);
        ASSERT_EQ(result.messages.size(), 1u);
        EXPECT_EQ(result.messages[0].text, "hello");
        EXPECT_EQ(indexesOf(result.messages[0]), std::vector<int>{single.index});
    }
}

TEST(Reassembly, CopiesAreKnownWhileHeldAndAfterwards) {
    MessageReassembler reassembler;
    (void)reassembler.add(part("+4070", 9, 2, 1, "one ", 5), kStart);
    // The same stored part seen again (a listing after the notification) and a second
    // copy stored elsewhere.
    EXPECT_EQ(reassembler.add(part("+4070", 9, 2, 1, "one ", 5), kStart).status,
              PartStatus::AlreadyHeld);
    EXPECT_EQ(reassembler.add(part("+4070", 9, 2, 1, "one ", 8), kStart).status,
              PartStatus::Duplicate);
    const MessageReassembler::AddResult done =
        reassembler.add(part("+4070", 9, 2, 2, "two", 6), kStart + 1s);
    ASSERT_EQ(done.messages.size(), 1u);
    EXPECT_EQ(done.messages[0].text, "one two");
    EXPECT_EQ(indexesOf(done.messages[0]), (std::vector<int>{5, 6}));
    // A late copy after the message went on is a copy too, for as long as the time-out.
    EXPECT_EQ(reassembler.add(part("+4070", 9, 2, 2, "two", 9), kStart + 9min).status,
              PartStatus::Duplicate);
    EXPECT_EQ(reassembler.pending(), 0u);
    // Long after, the same reference and text is a new message.
    EXPECT_EQ(reassembler.add(part("+4070", 9, 2, 2, "two", 9), kStart + 11min).status,
              PartStatus::Waiting);
}

TEST(Reassembly, AMissingPartHoldsTheMessageUntilTheTimeOut) {
    MessageReassembler reassembler;
    (void)reassembler.add(part("+4070", 9, 3, 1, "one ", 5), kStart);
    (void)reassembler.add(part("+4070", 9, 3, 3, "three", 7), kStart + 3min);
    EXPECT_EQ(reassembler.nextExpiry(), kStart + 10min) << "counted from the first part";
    EXPECT_TRUE(reassembler.expire(kStart + 10min - 1ms).empty());

    const std::vector<ReassembledMessage> late = reassembler.expire(kStart + 10min);
    ASSERT_EQ(late.size(), 1u);
    EXPECT_FALSE(late[0].complete);
    EXPECT_EQ(late[0].text, "one three");
    EXPECT_EQ(late[0].missing, std::vector<uint8_t>{2});
    EXPECT_EQ(indexesOf(late[0]), (std::vector<int>{5, 7}));
    EXPECT_EQ(reassembler.pending(), 0u);

    // The missing part, when it comes after all, is not lost: it waits as a message of
    // its own and is handed on in the end.
    EXPECT_EQ(reassembler.add(part("+4070", 9, 3, 2, "two ", 6), kStart + 12min).status,
              PartStatus::Waiting);
    const std::vector<ReassembledMessage> rest = reassembler.takeAll();
    ASSERT_EQ(rest.size(), 1u);
    EXPECT_EQ(rest[0].text, "two ");
    EXPECT_EQ(rest[0].missing, (std::vector<uint8_t>{1, 3}));
}

TEST(Reassembly, TheTimeOutCanBeChosen) {
    ReassemblyOptions options;
    options.timeout = 30s;
    MessageReassembler reassembler(options);
    (void)reassembler.add(part("+4070", 9, 2, 1, "one ", 5), kStart);
    EXPECT_TRUE(reassembler.expire(kStart + 29s).empty());
    EXPECT_EQ(reassembler.expire(kStart + 30s).size(), 1u);
}

TEST(Reassembly, InterleavedMessagesAndSharedReferencesStayApart) {
    MessageReassembler reassembler;
    std::vector<ReassembledMessage> done;
    const ReceivedPart arrivals[] = {
        // Two messages from one sender, interleaved.
        part("+4070", 1, 2, 1, "first ", 1),
        part("+4070", 2, 2, 2, "B", 2),
        // The same reference and count from another sender.
        part("+4071", 1, 2, 2, "C", 3),
        part("+4070", 2, 2, 1, "second ", 4),
        part("+4071", 1, 2, 1, "third ", 5),
        part("+4070", 1, 2, 2, "A", 6),
        // The same sender and reference with another count is another message.
        part("+4070", 1, 3, 1, "x", 7),
    };
    for (const ReceivedPart& p : arrivals) {
        for (ReassembledMessage& m : reassembler.add(p, kStart).messages) {
            done.push_back(std::move(m));
        }
    }
    ASSERT_EQ(done.size(), 3u);
    EXPECT_EQ(done[0].text, "second B");
    EXPECT_EQ(done[1].text, "third C");
    EXPECT_EQ(done[1].sender, "+4071");
    EXPECT_EQ(done[2].text, "first A");
    EXPECT_EQ(indexesOf(done[2]), (std::vector<int>{1, 6}));
    EXPECT_EQ(reassembler.pending(), 1u);
}

TEST(Reassembly, AReusedReferenceHandsTheEarlierMessageOn) {
    // A sender that uses one reference for everything: a part whose place is taken by
    // another text belongs to a new message.
    MessageReassembler reassembler;
    (void)reassembler.add(part("+4070", 0, 2, 1, "old ", 1), kStart);
    const MessageReassembler::AddResult result =
        reassembler.add(part("+4070", 0, 2, 1, "new ", 2), kStart + 1min);
    EXPECT_EQ(result.status, PartStatus::Waiting);
    ASSERT_EQ(result.messages.size(), 1u);
    EXPECT_EQ(result.messages[0].text, "old ");
    EXPECT_FALSE(result.messages[0].complete);
    const MessageReassembler::AddResult last =
        reassembler.add(part("+4070", 0, 2, 2, "end", 3), kStart + 2min);
    ASSERT_EQ(last.messages.size(), 1u);
    EXPECT_EQ(last.messages[0].text, "new end");
}

TEST(Reassembly, TooManyUnfinishedMessagesPushTheOldestOut) {
    ReassemblyOptions options;
    options.maxPending = 2;
    MessageReassembler reassembler(options);
    (void)reassembler.add(part("+4070", 1, 2, 1, "a", 1), kStart);
    (void)reassembler.add(part("+4070", 2, 2, 1, "b", 2), kStart + 1s);
    const MessageReassembler::AddResult result =
        reassembler.add(part("+4070", 3, 2, 1, "c", 3), kStart + 2s);
    EXPECT_EQ(result.status, PartStatus::Waiting);
    ASSERT_EQ(result.messages.size(), 1u);
    EXPECT_EQ(result.messages[0].text, "a");
    EXPECT_FALSE(result.messages[0].complete);
    EXPECT_EQ(reassembler.pending(), 2u);
    EXPECT_EQ(reassembler.nextExpiry(), kStart + 1s + 10min);
}

}  // namespace
}  // namespace vorsa
