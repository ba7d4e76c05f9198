#include <Source/engine/Object.h>

#include <platform/MessageBox.h>

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <atomic>
#include <future>
#include <map>
#include <thread>
#include <vector>

namespace {

std::atomic<int> g_deleted{0};

class Counted : public CObject
{
public:
    ~Counted() override { ++g_deleted; }
};

// Stays alive at 0 references until it is marked for deletion.
class Kept : public Counted
{
public:
    void FinalRelease() override { ++m_finalReleases; }
    int m_finalReleases = 0;
};

// A minimal registry that finds objects by key and raises their count under
// its lock, as the thumbnail cache does.
class Registry;

class Registered : public Counted
{
public:
    Registered(Registry &registry, int key) : m_registry(registry), m_key(key) {}
    void FinalRelease() override {}

protected:
    CCriticalSection *RegistryLock() override;
    void Unlink() override;

private:
    Registry &m_registry;
    int m_key;
};

class Registry
{
public:
    CCriticalSection lock;   // then CObject::ObjectLock
    std::map<int, Registered *> objects;

    Registered *find(int key)
    {
        CSingleLock hold(lock);
        const auto it = objects.find(key);
        if (it == objects.end())
            return nullptr;
        it->second->AddRef();
        return it->second;
    }
};

CCriticalSection *Registered::RegistryLock()
{
    return &m_registry.lock;
}

void Registered::Unlink()
{
    m_registry.objects.erase(m_key);
}

class ObjectTest : public testing::Test
{
protected:
    void SetUp() override { g_deleted = 0; }
};

} // namespace

TEST_F(ObjectTest, LastReleaseDeletesExactlyOnce)
{
    auto *object = new Counted;
    EXPECT_EQ(object->GetRefCount(), 1u);
    object->AddRef();
    object->Release();
    EXPECT_EQ(g_deleted, 0);
    object->Release();
    EXPECT_EQ(g_deleted, 1);
}

TEST_F(ObjectTest, KeptObjectStaysUntilMarkedThenGoesOnItsLastRelease)
{
    auto *object = new Kept;
    object->Release();
    EXPECT_EQ(object->m_finalReleases, 1);
    EXPECT_EQ(object->GetRefCount(), 0u);
    EXPECT_EQ(g_deleted, 0);
    object->AddRef();
    object->SetDeleteWhenFree(true);
    object->Release();
    EXPECT_EQ(g_deleted, 1);
}

TEST_F(ObjectTest, ReleaseWithNoReferenceLeftIsReportedAndChangesNothing)
{
    QStringList reported;
    SetMessageBoxResponder([&reported](const QString &text, const QString &, UINT) {
        reported.append(text);
        return IDOK;
    });
    auto *object = new Kept;
    object->Release();
    object->Release();
    SetMessageBoxResponder({});
    EXPECT_EQ(object->GetRefCount(), 0u);
    ASSERT_EQ(reported.size(), 1);
    EXPECT_TRUE(reported[0].startsWith("INTERNAL PROGRAM ERROR\n\nFile: ")) << reported[0].toStdString();
    EXPECT_EQ(g_deleted, 0);
    delete object;
}

TEST_F(ObjectTest, CountsSurviveManyThreads)
{
    auto *object = new Counted;
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([object] {
            for (int i = 0; i < 20000; ++i) {
                object->AddRef();
                object->Release();
            }
        });
    }
    for (std::thread &thread : threads)
        thread.join();
    EXPECT_EQ(object->GetRefCount(), 1u);
    EXPECT_EQ(g_deleted, 0);
    object->Release();
    EXPECT_EQ(g_deleted, 1);
}

TEST_F(ObjectTest, LookupsNeverReviveAnObjectBeingDeleted)
{
    // Finders take and drop references while owners drop the last one of
    // objects marked for deletion: every object must be deleted exactly once,
    // and the registry must end empty (the sanitizer build catches a use
    // after free).
    constexpr int Objects = 2000;
    Registry registry;
    std::vector<Registered *> owned;
    for (int key = 0; key < Objects; ++key) {
        auto *object = new Registered(registry, key);
        object->SetDeleteWhenFree(true);
        registry.objects[key] = object;
        owned.push_back(object);
    }
    std::atomic<bool> stop{false};
    std::vector<std::thread> finders;
    for (int t = 0; t < 6; ++t) {
        finders.emplace_back([&registry, &stop, t] {
            for (int key = t; !stop; key = (key + 7) % Objects) {
                if (Registered *found = registry.find(key))
                    found->Release();
            }
        });
    }
    for (Registered *object : owned)
        object->Release();
    stop = true;
    for (std::thread &finder : finders)
        finder.join();
    EXPECT_EQ(g_deleted, Objects);
    EXPECT_TRUE(registry.objects.empty());
}
