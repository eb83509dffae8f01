#include <gtest/gtest.h>

#include "ObjectDictionary.h"

using namespace zoric::sim;

namespace {

SdoExchange Sdo(CObjectDictionary& od, std::uint8_t command, std::uint16_t index, std::uint8_t sub,
                std::uint32_t data = 0)
{
    return od.Execute({command, index, sub, data});
}

std::uint32_t AbortOf(const SdoExchange& r) { return r.command == 0x80 ? r.data : 0; }

}  // namespace

TEST(ObjectDictionary, UploadAnswersWithTheEntrySize)
{
    CObjectDictionary od(1);
    const auto type = Sdo(od, 0x40, 0x1018, 0);
    EXPECT_EQ(type.command, 0x4F);
    EXPECT_EQ(type.data, 4u);
    EXPECT_EQ(Sdo(od, 0x40, 0x1017, 0).command, 0x4B);
    const auto tpdo = Sdo(od, 0x40, 0x1800, 1);
    EXPECT_EQ(tpdo.command, 0x43);
    EXPECT_EQ(tpdo.data, 0x40000181u);
    EXPECT_EQ(tpdo.index, 0x1800);
    EXPECT_EQ(tpdo.subIndex, 1);
    EXPECT_EQ(Sdo(od, 0x40, 0x1400, 0).data, 2u);
    EXPECT_EQ(Sdo(od, 0x40, 0x1800, 0).data, 5u);
    EXPECT_EQ(AbortOf(Sdo(od, 0x40, 0x1400, 3)), 0x06090011u) << "two-entry RPDOs have no times";
}

TEST(ObjectDictionary, FiveEntryRpdosHaveTimesAroundTheReservedEntry)
{
    CObjectDictionary od(1, 5);
    for (std::uint16_t rpdo = 0x1400; rpdo <= 0x1403; ++rpdo) {
        EXPECT_EQ(Sdo(od, 0x40, rpdo, 0).data, 5u);
        EXPECT_EQ(Sdo(od, 0x2B, rpdo, 3, 10).command, 0x60) << "inhibit time, 2 bytes";
        EXPECT_EQ(Sdo(od, 0x2B, rpdo, 5, 250).command, 0x60) << "event timer, 2 bytes";
        EXPECT_EQ(AbortOf(Sdo(od, 0x40, rpdo, 4)), 0x06090011u);
    }
    EXPECT_EQ(od.Get(0x1402, 5), 250u);
}

TEST(ObjectDictionary, AbortsWithTheCodesOfCiA301)
{
    CObjectDictionary od(1);
    EXPECT_EQ(AbortOf(Sdo(od, 0x40, 0x3000, 0)), 0x06020000u);
    EXPECT_EQ(AbortOf(Sdo(od, 0x40, 0x1800, 4)), 0x06090011u);  // reserved sub-index
    EXPECT_EQ(AbortOf(Sdo(od, 0x23, 0x1018, 1, 7)), 0x06010002u);
    EXPECT_EQ(AbortOf(Sdo(od, 0x2F, 0x1017, 0, 7)), 0x06070010u);    // 16-bit object, 1 byte
    EXPECT_EQ(AbortOf(Sdo(od, 0x21, 0x1017, 0)), 0x05040001u);       // segmented: not served
    EXPECT_EQ(AbortOf(Sdo(od, 0x2F, 0x1800, 2, 245)), 0x06090030u);  // reserved transmission type
    const auto ok = Sdo(od, 0x2B, 0x1017, 0, 0x12345678);
    EXPECT_EQ(ok.command, 0x60);
    EXPECT_EQ(od.Get(0x1017, 0), 0x5678u);  // only the object's two bytes
}

TEST(ObjectDictionary, MappingFollowsTheSwitchOffRewriteSwitchOnSequence)
{
    CObjectDictionary od(1);
    // Entries cannot change while the mapping is active.
    EXPECT_EQ(AbortOf(Sdo(od, 0x23, 0x1600, 1, 0x20000110)), 0x06040043u);
    ASSERT_EQ(Sdo(od, 0x2F, 0x1600, 0, 0).command, 0x60);
    EXPECT_EQ(Sdo(od, 0x23, 0x1600, 1, 0x20000110).command, 0x60);
    EXPECT_EQ(Sdo(od, 0x23, 0x1600, 2, 0x20010220).command, 0x60);
    EXPECT_EQ(AbortOf(Sdo(od, 0x23, 0x1600, 3, 0x20030020)), 0x06040041u);  // not mappable
    EXPECT_EQ(AbortOf(Sdo(od, 0x23, 0x1600, 3, 0x20010110)), 0x06040041u);  // wrong length
    EXPECT_EQ(AbortOf(Sdo(od, 0x23, 0x1600, 3, 0x20010120)), 0x06040041u);  // read-only via RPDO
    EXPECT_EQ(AbortOf(Sdo(od, 0x23, 0x1600, 3, 0x50000010)), 0x06020000u);
    EXPECT_EQ(Sdo(od, 0x23, 0x1600, 3, 0x20010220).command, 0x60);
    // 16 + 32 + 32 bits do not fit into the 64 of one PDO.
    EXPECT_EQ(AbortOf(Sdo(od, 0x2F, 0x1600, 0, 3)), 0x06040042u);
    EXPECT_EQ(AbortOf(Sdo(od, 0x2F, 0x1600, 0, 9)), 0x06090031u);
    EXPECT_EQ(Sdo(od, 0x2F, 0x1600, 0, 2).command, 0x60);
    EXPECT_EQ(od.Get(0x1600, 2), 0x20010220u);
    // A count beyond the written entries would map nothing.
    ASSERT_EQ(Sdo(od, 0x2F, 0x1A01, 0, 0).command, 0x60);
    EXPECT_EQ(AbortOf(Sdo(od, 0x2F, 0x1A01, 0, 1)), 0x06040041u);
}

TEST(ObjectDictionary, StoreNeedsTheSaveSignature)
{
    CObjectDictionary od(1);
    int stores = 0;
    bool succeed = true;
    od.SetStoreHandler([&] {
        ++stores;
        return succeed;
    });
    EXPECT_EQ(AbortOf(Sdo(od, 0x23, 0x1010, 1, 0x12345678)), 0x08000020u);
    EXPECT_EQ(Sdo(od, 0x23, 0x1010, 1, CObjectDictionary::kSaveSignature).command, 0x60);
    succeed = false;
    EXPECT_EQ(AbortOf(Sdo(od, 0x23, 0x1010, 1, CObjectDictionary::kSaveSignature)), 0x06060000u);
    EXPECT_EQ(stores, 2);
    EXPECT_EQ(Sdo(od, 0x40, 0x1010, 1).data, 1u);
}
