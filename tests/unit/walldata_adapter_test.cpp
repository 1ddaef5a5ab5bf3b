// The display adapter, its display list and the adapter collection, including the process-wide instances
// the control library reaches through the factories.
#include "LFDData.h"
#include "VWDataAdapter.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Walks a display list the way the control library does and returns the display IDs in order.
std::vector<int> WalkIds(IVWDataAdapter& adapter) {
    std::vector<int> ids;
    IVWDisplayList* list = adapter.GetDisplayList();
    for (list->MoveFirst(); list->MoveNext();) {
        ids.push_back(list->Current()->GetDisplayId());
    }
    list->Release();
    return ids;
}

class WallDataAdapter : public ::testing::Test {
protected:
    void SetUp() override {
        ResetProcessWide();
        for (int i = 0; i < 4; ++i) {
            records[i].SetDisplayId(10 + i);
        }
    }
    void TearDown() override { ResetProcessWide(); }

    CLFDData records[4];
};

TEST_F(WallDataAdapter, ListsDisplaysInKeyOrderWhateverTheInsertionOrder) {
    CVWDataAdapter adapter;
    adapter.AddDisplay(30, &records[3]);
    adapter.AddDisplay(-5, &records[0]);
    adapter.AddDisplay(7, &records[2]);
    adapter.AddDisplay(2, &records[1]);

    EXPECT_EQ(adapter.Keys(), (std::vector<int>{-5, 2, 7, 30}));
    EXPECT_EQ(WalkIds(adapter), (std::vector<int>{10, 11, 12, 13}));
    EXPECT_EQ(adapter.GetDisplay(7), &records[2]);
    EXPECT_EQ(adapter.GetDisplay(8), nullptr);
}

TEST_F(WallDataAdapter, ListPositionsAndRewind) {
    CVWDataAdapter adapter;
    adapter.AddDisplay(1, &records[0]);
    adapter.AddDisplay(2, &records[1]);

    IVWDisplayList* list = adapter.GetDisplayList();
    EXPECT_EQ(list->Current(), nullptr) << "a new list stands before its first record";
    ASSERT_TRUE(list->MoveNext());
    EXPECT_EQ(list->Current(), &records[0]);
    ASSERT_TRUE(list->MoveNext());
    EXPECT_EQ(list->Current(), &records[1]);
    EXPECT_FALSE(list->MoveNext());
    EXPECT_EQ(list->Current(), nullptr);
    EXPECT_FALSE(list->MoveNext()) << "stays at the end";

    list->MoveFirst();
    EXPECT_EQ(list->Current(), nullptr);
    ASSERT_TRUE(list->MoveNext());
    EXPECT_EQ(list->Current(), &records[0]);
    list->Release();

    CVWDataAdapter empty;
    IVWDisplayList* none = empty.GetDisplayList();
    EXPECT_FALSE(none->MoveNext());
    EXPECT_EQ(none->Current(), nullptr);
    none->Release();
}

TEST_F(WallDataAdapter, ListIsASnapshot) {
    CVWDataAdapter adapter;
    adapter.AddDisplay(1, &records[0]);
    IVWDisplayList* list = adapter.GetDisplayList();
    adapter.AddDisplay(2, &records[1]);
    adapter.RemoveDisplay(1);

    ASSERT_TRUE(list->MoveNext());
    EXPECT_EQ(list->Current(), &records[0]);
    EXPECT_FALSE(list->MoveNext());
    list->Release();
}

TEST_F(WallDataAdapter, AddReplacesRemoveAndClearForget) {
    CVWDataAdapter adapter;
    adapter.AddDisplay(1, &records[0]);
    adapter.AddDisplay(1, &records[1]);
    EXPECT_EQ(adapter.Count(), 1u);
    EXPECT_EQ(adapter.GetDisplay(1), &records[1]);

    adapter.AddDisplay(1, nullptr);
    EXPECT_EQ(adapter.Count(), 0u) << "a null record removes the key";

    adapter.AddDisplay(3, &records[2]);
    EXPECT_FALSE(adapter.RemoveDisplay(4));
    EXPECT_TRUE(adapter.RemoveDisplay(3));
    EXPECT_EQ(adapter.GetDisplay(3), nullptr);

    adapter.AddDisplay(5, &records[3]);
    adapter.Clear();
    EXPECT_EQ(adapter.Count(), 0u);
    EXPECT_TRUE(WalkIds(adapter).empty());
}

TEST_F(WallDataAdapter, CollectionLooksUpExactAddresses) {
    CVWDataAdapterCollection collection;
    CVWDataAdapter& first = collection.AddAdapter(std::wstring(L"127.0.0.21"));
    CVWDataAdapter& second = collection.AddAdapter(std::string("/dev/pts/7"));
    first.AddDisplay(1, &records[0]);
    second.AddDisplay(1, &records[1]);

    EXPECT_EQ(&collection.AddAdapter(std::string("127.0.0.21")), &first) << "adding again keeps the adapter";
    EXPECT_EQ(collection.Count(), 2u);

    struct Row {
        const wchar_t* address;
        IVWDataAdapter* expected;
    };
    const std::vector<Row> rows = {
        {L"127.0.0.21", &first},   {L"/dev/pts/7", &second}, {L"127.0.0.2", nullptr},
        {L"127.0.0.210", nullptr}, {L"", nullptr},           {nullptr, nullptr},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(collection.GetAdapter(row.address), row.expected)
            << (row.address != nullptr ? "address given" : "null address");
    }
    EXPECT_EQ(collection.GetAdapter(L"/dev/pts/7")->GetDisplay(1), &records[1]);

    EXPECT_TRUE(collection.RemoveAdapter(L"/dev/pts/7"));
    EXPECT_FALSE(collection.RemoveAdapter(L"/dev/pts/7"));
    EXPECT_EQ(collection.GetAdapter(L"/dev/pts/7"), nullptr);
    collection.Clear();
    EXPECT_EQ(collection.GetAdapter(L"127.0.0.21"), nullptr);
}

TEST_F(WallDataAdapter, FactoriesHandOutTheProcessWideInstances) {
    IVWDataAdapter* adapter = IVWDataAdapterFactory::CreateInstance();
    ASSERT_NE(adapter, nullptr);
    EXPECT_EQ(adapter, IVWDataAdapterFactory::CreateInstance());
    EXPECT_EQ(adapter, &CVWDataAdapter::Process());

    IVWDataAdapterCollection* collection = IVWDataAdapterCollectionFactory::CreateInstance();
    ASSERT_NE(collection, nullptr);
    EXPECT_EQ(collection, IVWDataAdapterCollectionFactory::CreateInstance());

    CVWDataAdapter::Process().AddDisplay(4, &records[2]);
    CVWDataAdapterCollection::Process().AddAdapter(std::string("127.0.0.22")).AddDisplay(1, &records[0]);
    EXPECT_EQ(adapter->GetDisplay(4), &records[2]);
    ASSERT_NE(collection->GetAdapter(L"127.0.0.22"), nullptr);

    ResetProcessWide();
    EXPECT_EQ(adapter->GetDisplay(4), nullptr);
    EXPECT_EQ(collection->GetAdapter(L"127.0.0.22"), nullptr);
}

} // namespace
