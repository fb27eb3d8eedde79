// The help file beside the program, read as the help viewer reads it: the context id table (#IVB:
// byte size, then pairs of id and offset into #STRINGS) and the topics it names.
#include <windows.h>
#include <objbase.h>

#include <cstdint>
#include <string>

#include <gtest/gtest.h>

#include "Com.h"
#include "ProgramMessages.h"
#include "TestSupport.h"

// The storage factory of the system's compiled-help reader (itss.dll), as the help viewer uses it.
// Declared outside the anonymous namespace: with no implementation in sight, the compiler would
// otherwise take every call through it for unreachable.
struct IITStorage : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE StgCreateDocfile(const WCHAR*, DWORD, DWORD, IStorage**) = 0;
    virtual HRESULT STDMETHODCALLTYPE StgCreateDocfileOnILockBytes(ILockBytes*, DWORD, DWORD, IStorage**) = 0;
    virtual HRESULT STDMETHODCALLTYPE StgIsStorageFile(const WCHAR*) = 0;
    virtual HRESULT STDMETHODCALLTYPE StgIsStorageILockBytes(ILockBytes*) = 0;
    virtual HRESULT STDMETHODCALLTYPE StgOpenStorage(const WCHAR*, IStorage*, DWORD, SNB, DWORD, IStorage**) = 0;
};

namespace {

constexpr CLSID kClsidITStorage = {0x5d02926a, 0x212e, 0x11d0, {0x9d, 0xf9, 0x00, 0xa0, 0xc9, 0x22, 0xe6, 0xec}};
constexpr IID kIidITStorage = {0x88cc31de, 0x27ab, 0x11d0, {0x9d, 0xf9, 0x00, 0xa0, 0xc9, 0x22, 0xe6, 0xec}};

ComPtr<IStorage> OpenHelpFile(const std::wstring& path) {
    ComPtr<IITStorage> factory;
    ComPtr<IStorage> storage;
    if (SUCCEEDED(::CoCreateInstance(kClsidITStorage, nullptr, CLSCTX_INPROC_SERVER, kIidITStorage,
                                     factory.ReceiveVoid())))
        factory->StgOpenStorage(path.c_str(), nullptr, STGM_READ | STGM_SHARE_DENY_WRITE, nullptr, 0, storage.Receive());
    return storage;
}

// A whole stream of the help file; false when it cannot be opened.
bool ReadStream(IStorage* storage, const std::wstring& name, std::string& bytes) {
    ComPtr<IStream> stream;
    if (!storage || FAILED(storage->OpenStream(name.c_str(), nullptr, STGM_READ, 0, stream.Receive()))) return false;
    bytes.clear();
    char chunk[4096];
    ULONG read = 0;
    while (SUCCEEDED(stream->Read(chunk, sizeof chunk, &read)) && read > 0) bytes.append(chunk, read);
    return true;
}

uint32_t Dword(const std::string& bytes, size_t at) {
    uint32_t v = 0;
    if (at + 4 <= bytes.size()) memcpy(&v, bytes.data() + at, 4);
    return v;
}

class HelpFile : public ::testing::Test {
protected:
    bool Read(const std::string& name, std::string& bytes) {
        return ReadStream(m_storage.Get(), std::wstring(name.begin(), name.end()), bytes);
    }

    // The topic the help viewer opens for a context id, "" when the id is not mapped.
    std::string TopicOf(uint32_t context) {
        std::string ivb, strings;
        if (!Read("/#IVB", ivb) || !Read("/#STRINGS", strings)) return {};
        uint32_t size = Dword(ivb, 0);
        for (size_t at = 4; at + 8 <= 4 + static_cast<size_t>(size) && at + 8 <= ivb.size(); at += 8) {
            if (Dword(ivb, at) != context) continue;
            uint32_t offset = Dword(ivb, at + 4);
            if (offset >= strings.size()) return {};
            return strings.c_str() + offset;
        }
        return {};
    }

    ComPtr<IStorage> m_storage = OpenHelpFile(BuildFolder() + L"Varnolt.chm");
};

TEST_F(HelpFile, ContextIdsOpenTheirTopics) {
    struct {
        DWORD context;
        const char* topic;
        const char* title;
    } cases[] = {
        {kHelpContextMainFrame, "main_window.htm", "<title>The main window</title>"},
        {kHelpContextSensorList, "sensor_list.htm", "<title>The sensor list</title>"},
        {kHelpContextGraph, "graph.htm", "<title>A sensor's graph</title>"},
    };
    for (auto c : cases) {
        std::string topic = TopicOf(c.context);
        // The viewer resolves the name inside the file, so it must be the topic's own path there,
        // not where it was compiled.
        EXPECT_EQ(topic, std::string("/") + c.topic) << c.context;
        std::string page;
        ASSERT_TRUE(Read(topic, page)) << topic;
        EXPECT_NE(page.find(c.title), std::string::npos) << topic;
    }
    EXPECT_EQ(TopicOf(1), "");
}

TEST_F(HelpFile, ContentsAndEveryLinkedTopicArePresent) {
    std::string toc;
    ASSERT_TRUE(Read("/Varnolt.hhc", toc)) << "no compiled help file with its contents beside the program";
    size_t links = 0;
    for (size_t at = toc.find("value=\""); at != std::string::npos; at = toc.find("value=\"", at + 1)) {
        std::string value = toc.substr(at + 7, toc.find('"', at + 7) - at - 7);
        if (value.size() < 4 || value.compare(value.size() - 4, 4, ".htm") != 0) continue;
        std::string page;
        EXPECT_TRUE(Read("/" + value, page)) << value;
        ++links;
    }
    EXPECT_GE(links, 9u);
}

}  // namespace
