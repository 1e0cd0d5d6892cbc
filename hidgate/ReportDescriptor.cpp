#include "ReportDescriptor.h"

#include <algorithm>
#include <optional>

namespace hidgate {
namespace {

constexpr std::size_t MaxPushDepth = 32;
constexpr int MaxCollectionDepth = 64;
constexpr std::uint8_t LongItemPrefix = 0xFE;

enum ItemType : std::uint8_t { Main = 0, Global = 1, Local = 2 };

enum MainTag : std::uint8_t { Input = 0x8, Output = 0x9, Collection = 0xA, Feature = 0xB, EndCollection = 0xC };

enum GlobalTag : std::uint8_t {
    UsagePage = 0x0,
    ReportSize = 0x7,
    ReportId = 0x8,
    ReportCount = 0x9,
    Push = 0xA,
    Pop = 0xB
};

enum LocalTag : std::uint8_t { Usage = 0x0, UsageMinimum = 0x1 };

struct GlobalState {
    std::uint32_t usagePage = 0;
    std::uint32_t reportSize = 0;
    std::uint32_t reportCount = 0;
    int reportId = 0;
};

struct LocalState {
    std::optional<std::uint32_t> firstUsage; // with its page in the upper half when the item gave one
    bool usageHadPage = false;
};

struct Item {
    std::uint8_t type = 0;
    std::uint8_t tag = 0;
    std::uint32_t data = 0;
    std::size_t size = 0;
};

class Parser {
public:
    explicit Parser(std::span<const std::uint8_t> bytes)
        : m_bytes(bytes)
    {
    }

    ReportDescriptor run()
    {
        while (m_position < m_bytes.size() && m_result.error.empty())
            step();
        if (m_result.error.empty() && m_depth != 0)
            m_result.error = "collection not closed";
        // The collection open at a fault is incomplete; only whole collections are returned.
        if (!m_result.error.empty() && m_depth != 0 && !m_result.collections.empty())
            m_result.collections.pop_back();
        m_result.valid = m_result.error.empty();
        return std::move(m_result);
    }

private:
    void fail(const char* why)
    {
        if (m_result.error.empty())
            m_result.error = why;
    }

    void step()
    {
        const std::uint8_t prefix = m_bytes[m_position];
        if (prefix == LongItemPrefix) {
            skipLongItem();
            return;
        }
        Item item;
        item.size = (prefix & 3) == 3 ? 4 : (prefix & 3);
        item.type = (prefix >> 2) & 3;
        item.tag = prefix >> 4;
        if (m_bytes.size() - m_position - 1 < item.size) {
            fail("item cut off at the end");
            return;
        }
        for (std::size_t i = 0; i < item.size; ++i)
            item.data |= std::uint32_t(m_bytes[m_position + 1 + i]) << (8 * i);
        m_position += 1 + item.size;
        handle(item);
    }

    void skipLongItem()
    {
        if (m_bytes.size() - m_position < 3) {
            fail("long item cut off at the end");
            return;
        }
        const std::size_t dataSize = m_bytes[m_position + 1];
        if (m_bytes.size() - m_position - 3 < dataSize) {
            fail("long item cut off at the end");
            return;
        }
        m_position += 3 + dataSize;
    }

    void handle(const Item& item)
    {
        switch (item.type) {
        case Main:
            handleMain(item);
            m_local = {};
            break;
        case Global:
            handleGlobal(item);
            break;
        case Local:
            handleLocal(item);
            break;
        default:
            break; // reserved item type: ignored
        }
    }

    void handleMain(const Item& item)
    {
        switch (item.tag) {
        case Collection:
            openCollection();
            break;
        case EndCollection:
            if (m_depth == 0)
                fail("end collection without a collection");
            else
                --m_depth;
            break;
        case Input:
        case Output:
        case Feature:
            addReport(item.tag);
            break;
        default:
            break;
        }
    }

    void openCollection()
    {
        if (m_depth >= MaxCollectionDepth) {
            fail("collections nested too deep");
            return;
        }
        if (m_depth++ > 0)
            return;
        TopCollection collection;
        const std::uint32_t usage = m_local.firstUsage.value_or(0);
        collection.usagePage = std::uint16_t(m_local.usageHadPage ? usage >> 16 : m_global.usagePage);
        collection.usage = std::uint16_t(usage & 0xFFFF);
        m_result.collections.push_back(std::move(collection));
    }

    void addReport(std::uint8_t tag)
    {
        if (m_depth == 0)
            return; // a main item outside every collection belongs to none
        const std::uint64_t bits = std::uint64_t(m_global.reportSize) * m_global.reportCount;
        ReportBits& report = m_result.collections.back().reports[m_global.reportId];
        std::uint64_t& total = tag == Input ? report.input : tag == Output ? report.output : report.feature;
        total += bits;
        if (total > MaxReportBytes * 8)
            fail("report longer than 16384 bytes");
    }

    void handleGlobal(const Item& item)
    {
        switch (item.tag) {
        case UsagePage:
            m_global.usagePage = item.data & 0xFFFF;
            break;
        case ReportSize:
            m_global.reportSize = item.data;
            break;
        case ReportCount:
            m_global.reportCount = item.data;
            break;
        case ReportId:
            if (item.data == 0 || item.data > 255)
                fail("report id outside 1..255");
            m_global.reportId = int(item.data & 0xFF);
            break;
        case Push:
            if (m_stack.size() >= MaxPushDepth)
                fail("push nested too deep");
            else
                m_stack.push_back(m_global);
            break;
        case Pop:
            if (m_stack.empty()) {
                fail("pop without push");
                break;
            }
            m_global = m_stack.back();
            m_stack.pop_back();
            break;
        default:
            break; // logical and physical ranges, units: no bearing on report lengths
        }
    }

    void handleLocal(const Item& item)
    {
        if ((item.tag != Usage && item.tag != UsageMinimum) || m_local.firstUsage)
            return;
        m_local.firstUsage = item.data;
        m_local.usageHadPage = item.size == 4;
    }

    std::span<const std::uint8_t> m_bytes;
    std::size_t m_position = 0;
    int m_depth = 0;
    GlobalState m_global;
    LocalState m_local;
    std::vector<GlobalState> m_stack;
    ReportDescriptor m_result;
};

int lengthOf(const TopCollection& collection, std::uint64_t ReportBits::*member)
{
    std::uint64_t longest = 0;
    for (const auto& [id, bits] : collection.reports)
        longest = std::max(longest, bits.*member);
    return longest == 0 ? 0 : int((longest + 7) / 8 + 1);
}

} // namespace

int TopCollection::inputLength() const
{
    return lengthOf(*this, &ReportBits::input);
}

int TopCollection::outputLength() const
{
    return lengthOf(*this, &ReportBits::output);
}

int TopCollection::featureLength() const
{
    return lengthOf(*this, &ReportBits::feature);
}

bool TopCollection::hasFeatureReport(int reportId) const
{
    const auto found = reports.find(reportId);
    return found != reports.end() && found->second.feature > 0;
}

int TopCollection::featureReportLength(int reportId) const
{
    const auto found = reports.find(reportId);
    if (found == reports.end() || found->second.feature == 0)
        return 0;
    return int((found->second.feature + 7) / 8 + 1);
}

ReportDescriptor parseReportDescriptor(std::span<const std::uint8_t> bytes)
{
    return Parser(bytes).run();
}

} // namespace hidgate
