// The report descriptor parser on descriptors written out byte by byte.

#include "ReportDescriptor.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

using namespace hidgate;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes concat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

// One vendor collection (page 0xFF00, usage 1) with a feature report of the given id and byte count.
Bytes vendorCollection(std::uint8_t id, std::uint16_t count)
{
    Bytes bytes{0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01};
    if (id != 0)
        bytes.insert(bytes.end(), {0x85, id});
    bytes.insert(bytes.end(),
        {0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08, 0x96, std::uint8_t(count & 0xFF), std::uint8_t(count >> 8), 0x09,
            0x01, 0xB1, 0x02, 0xC0});
    return bytes;
}

// The usual boot keyboard: 8 bytes of input, 1 byte of LED output, no report id.
const Bytes BootKeyboard{0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x05, 0x07, 0x19, 0xE0, 0x29, 0xE7, 0x15, 0x00, 0x25, 0x01,
    0x75, 0x01, 0x95, 0x08, 0x81, 0x02, 0x95, 0x01, 0x75, 0x08, 0x81, 0x01, 0x95, 0x05, 0x75, 0x01, 0x05, 0x08, 0x19,
    0x01, 0x29, 0x05, 0x91, 0x02, 0x95, 0x01, 0x75, 0x03, 0x91, 0x01, 0x95, 0x06, 0x75, 0x08, 0x15, 0x00, 0x25, 0x65,
    0x05, 0x07, 0x19, 0x00, 0x29, 0x65, 0x81, 0x00, 0xC0};

const Bytes KeyboardInterface = concat(
    {vendorCollection(9, 576), vendorCollection(10, 41), vendorCollection(11, 145), vendorCollection(12, 960)});

} // namespace

TEST(ReportDescriptorTest, FourVendorCollectionsInOneInterface)
{
    const ReportDescriptor parsed = parseReportDescriptor(KeyboardInterface);
    ASSERT_TRUE(parsed.valid) << parsed.error;
    ASSERT_EQ(parsed.collections.size(), 4u);
    const int lengths[] = {577, 42, 146, 961};
    for (int i = 0; i < 4; ++i) {
        const TopCollection& c = parsed.collections[std::size_t(i)];
        EXPECT_EQ(c.usagePage, 0xFF00);
        EXPECT_EQ(c.usage, 1);
        EXPECT_EQ(c.featureLength(), lengths[i]);
        EXPECT_EQ(c.inputLength(), 0);
        EXPECT_TRUE(c.hasFeatureReport(9 + i));
        EXPECT_FALSE(c.hasFeatureReport(9 + (i + 1) % 4)); // ids of the other collections on the same node
    }
}

TEST(ReportDescriptorTest, SameCollectionsSplitOverFourInterfacesAndWithoutIds)
{
    const std::pair<std::uint8_t, int> split[] = {{9, 577}, {10, 42}, {11, 146}, {12, 961}};
    for (const auto& [id, length] : split) {
        const ReportDescriptor parsed = parseReportDescriptor(vendorCollection(id, std::uint16_t(length - 1)));
        ASSERT_TRUE(parsed.valid);
        ASSERT_EQ(parsed.collections.size(), 1u);
        EXPECT_EQ(parsed.collections[0].featureLength(), length);
    }
    // Without report ids the length still counts the leading id byte, and the only report is id 0.
    const ReportDescriptor plain = parseReportDescriptor(vendorCollection(0, 64));
    ASSERT_TRUE(plain.valid);
    EXPECT_EQ(plain.collections[0].featureLength(), 65);
    EXPECT_TRUE(plain.collections[0].hasFeatureReport(0));
}

TEST(ReportDescriptorTest, BootKeyboardBesideTheVendorCollections)
{
    const ReportDescriptor parsed = parseReportDescriptor(concat({BootKeyboard, KeyboardInterface}));
    ASSERT_TRUE(parsed.valid) << parsed.error;
    ASSERT_EQ(parsed.collections.size(), 5u);
    const TopCollection& keyboard = parsed.collections[0];
    EXPECT_EQ(keyboard.usagePage, 0x01);
    EXPECT_EQ(keyboard.usage, 0x06);
    EXPECT_EQ(keyboard.inputLength(), 9);
    EXPECT_EQ(keyboard.outputLength(), 2);
    EXPECT_EQ(keyboard.featureLength(), 0);
    EXPECT_EQ(parsed.collections[4].featureLength(), 961);
}

TEST(ReportDescriptorTest, PushPopNestingLongItemsAndExtendedUsages)
{
    const Bytes bytes{0x0B, 0x01, 0x00, 0x00, 0xFF, // Usage with its page in the item: 0xFF00:0001
        0xA1, 0x01, 0x85, 0x05, 0x75, 0x08, 0x95, 0x04,
        0xA4, // Push (size 8, count 4)
        0x75, 0x10, 0x95, 0x02, // size 16, count 2
        0xA1, 0x02, 0xB1, 0x02, 0xC0, // nested collection: 32 feature bits
        0xB4, // Pop back to size 8, count 4
        0xB1, 0x02, // 32 more bits
        0xFE, 0x02, 0x10, 0xAA, 0xBB, // long item, skipped
        0xC0};
    const ReportDescriptor parsed = parseReportDescriptor(bytes);
    ASSERT_TRUE(parsed.valid) << parsed.error;
    ASSERT_EQ(parsed.collections.size(), 1u);
    EXPECT_EQ(parsed.collections[0].usagePage, 0xFF00);
    EXPECT_EQ(parsed.collections[0].usage, 1);
    EXPECT_EQ(parsed.collections[0].featureLength(), 9);
}

TEST(ReportDescriptorTest, MalformedDescriptorsAreRefusedWithAReason)
{
    const struct {
        const char* fault;
        Bytes bytes;
    } cases[] = {
        {"item cut off", {0x06, 0x00}},
        {"long item cut off", {0xFE, 0x05, 0x10, 0x01}},
        {"end without collection", {0xC0}},
        {"collection not closed", {0x09, 0x01, 0xA1, 0x01}},
        {"pop without push", {0xB4}},
        {"report id 0", {0x85, 0x00}},
        {"report longer than the kernel allows",
            {0xA1, 0x01, 0x77, 0xFF, 0xFF, 0xFF, 0xFF, 0x97, 0xFF, 0xFF, 0xFF, 0xFF, 0xB1, 0x02, 0xC0}},
    };
    for (const auto& c : cases) {
        const ReportDescriptor parsed = parseReportDescriptor(c.bytes);
        EXPECT_FALSE(parsed.valid) << c.fault;
        EXPECT_FALSE(parsed.error.empty()) << c.fault;
        EXPECT_TRUE(parsed.collections.empty()) << c.fault; // the collection open at the fault is dropped
    }
    // Cut anywhere, the keyboard's descriptor is refused or gives only whole collections with their lengths.
    const int lengths[] = {577, 42, 146, 961};
    for (std::size_t cut = 0; cut < KeyboardInterface.size(); ++cut) {
        const ReportDescriptor parsed = parseReportDescriptor(std::span(KeyboardInterface).first(cut));
        if (!parsed.valid)
            continue;
        ASSERT_LT(parsed.collections.size(), 4u) << cut;
        for (std::size_t i = 0; i < parsed.collections.size(); ++i)
            EXPECT_EQ(parsed.collections[i].featureLength(), lengths[i]) << cut;
    }
    const ReportDescriptor empty = parseReportDescriptor({});
    EXPECT_TRUE(empty.valid);
    EXPECT_TRUE(empty.collections.empty());
}

TEST(ReportDescriptorTest, RandomDescriptorsNeverCrash)
{
    std::mt19937 random(12345);
    for (int round = 0; round < 200; ++round) {
        Bytes bytes(4096);
        for (auto& b : bytes)
            b = std::uint8_t(random());
        const ReportDescriptor parsed = parseReportDescriptor(bytes);
        for (const TopCollection& c : parsed.collections)
            EXPECT_LE(c.featureLength(), int(MaxReportBytes) + 1);
    }
}
