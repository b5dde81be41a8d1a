// The exception family and its messages, errno mapping, and the allocators.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "FoundationTestSupport.h"
#include "kvfoundation/base/AutoReleasePool.h"
#include "kvfoundation/base/KVIllegalArgument.h"
#include "kvfoundation/base/KVIllegalState.h"
#include "kvfoundation/base/KVOutOfMemory.h"
#include "kvfoundation/base/KVOutOfRange.h"
#include "kvfoundation/base/KVUnsupportedOperation.h"
#include "kvfoundation/base/Malloc.h"
#include "kvfoundation/base/NullAlloc.h"
#include "kvfoundation/data/Factories.h"
#include "kvfoundation/io/KVDiskFull.h"
#include "kvfoundation/io/KVEndOfFile.h"
#include "kvfoundation/io/KVFileExists.h"
#include "kvfoundation/io/KVFileNotFound.h"
#include "kvfoundation/io/KVTimeOut.h"
#include "kvfoundation/ncomm/NCException.h"
#include "kvfoundation/posix/PosixLocalAllocator.h"
#include "kvfoundation/posix/PosixSIMDAlloc.h"
#include "kvfoundation/posix/PosixVMAlloc.h"
#include "kvfoundation/system/KVAccessDenied.h"
#include "kvfoundation/system/SysErrors.h"

using namespace kvfoundation;
using kvtest::Text;

namespace {

class ExceptionsTest : public ::testing::Test {
protected:
    base::AutoReleasePool pool_;
};

TEST_F(ExceptionsTest, FixedMessages) {
    EXPECT_EQ(Text(base::KVOutOfMemory().Message()), "Out of memory");
    EXPECT_EQ(Text(io::KVEndOfFile().Message()), "<End Of File>");
    EXPECT_EQ(Text(base::KVOutOfRange(5, 0, 5).Message()), "index out of bounds 5  [0:5]");
    EXPECT_EQ(base::KVOutOfMemory().Trace(), nullptr);
}

TEST_F(ExceptionsTest, MessageOutlivesThePoolItWasBuiltIn) {
    auto caught = [] {
        base::AutoReleasePool inner;
        try {
            throw base::KVIllegalArgument(data::CreateString(u"length < 0", 10));
        } catch (const base::IKVException& e) {
            return base::KVRefCountT<data::IKVString>(e.Message());
        }
        return base::KVRefCountT<data::IKVString>();
    }();
    EXPECT_EQ(Text(caught), "length < 0");
}

TEST_F(ExceptionsTest, LogWritesClassMessageAndTrace) {
    auto log = kvtest::CaptureLog::Install();
    base::KVIllegalState("Iterator at end").Log(1);
    kvtest::CaptureLog::Uninstall();
    ASSERT_EQ(log->lines.size(), 1u);
    EXPECT_EQ(log->lines[0].text,
              "class kvfoundation::base::KVIllegalState: Iterator at end\nTrace: (null)");
}

TEST_F(ExceptionsTest, NCExceptionCarriesItsReason) {
    try {
        throw ncomm::NCException("kLoomIO_NoThumb", "Failed to create thumb");
    } catch (const base::IKVException& e) {
        const auto& nc = dynamic_cast<const ncomm::NCException&>(e);
        EXPECT_EQ(Text(nc.Reason()), "kLoomIO_NoThumb");
        EXPECT_EQ(Text(nc.Message()), "Failed to create thumb");
    }
}

// Which class each errno value raises, with the domain, code and message kept.
template <class Expected>
void ExpectMapped(int code) {
    try {
        system::ThrowSysError("open", code);
    } catch (const Expected& e) {
        std::string text = std::string("open() failed <") + std::to_string(code) + ": " +
                           std::strerror(code) + ">";
        EXPECT_EQ(Text(e.Message()), text);
        if constexpr (std::is_base_of_v<system::KVSysError, Expected>) {
            EXPECT_EQ(Text(e.Domain()), "Posix");
            EXPECT_EQ(e.Code(), code);
        }
        return;
    } catch (...) {
    }
    ADD_FAILURE() << "errno " << code << " raised the wrong class";
}

TEST_F(ExceptionsTest, ErrnoValuesMapToTheirClasses) {
    ExpectMapped<io::KVFileNotFound>(ENOENT);
    ExpectMapped<io::KVFileNotFound>(ENOTDIR);
    ExpectMapped<system::KVAccessDenied>(EACCES);
    ExpectMapped<io::KVFileExists>(EEXIST);
    ExpectMapped<io::KVDiskFull>(ENOSPC);
    ExpectMapped<io::KVTimeOut>(ETIMEDOUT);
    ExpectMapped<system::KVSysError>(EBADF);
}

TEST_F(ExceptionsTest, CallSpecificMessagesKeepTheMapping) {
    try {
        system::ThrowSysError(EEXIST, data::Literal("link('a, b') failed <17: File exists>"));
    } catch (const io::KVFileExists& e) {
        EXPECT_EQ(e.Code(), 17);
        EXPECT_EQ(Text(e.Message()), "link('a, b') failed <17: File exists>");
    }
}

TEST_F(ExceptionsTest, Allocators) {
    base::IKVAllocator* heap = base::Malloc::Instance();
    EXPECT_EQ(heap, base::Malloc::Instance());
    void* block = heap->Allocate(10);
    block = heap->Reallocate(block, 100000);
    EXPECT_EQ(heap->Reallocate(block, 0), nullptr);

    try {
        base::NullAlloc::Instance()->Allocate(1);
        ADD_FAILURE();
    } catch (const base::KVUnsupportedOperation& e) {
        EXPECT_EQ(Text(e.Message()), "kvfoundation::base::NullAlloc::Allocate");
    }
    base::NullAlloc::Instance()->Free(nullptr);

    base::IKVAllocator* simd = posix::PosixSIMDAlloc::Instance();
    auto* aligned = static_cast<uint8_t*>(simd->Allocate(33));
    EXPECT_EQ(reinterpret_cast<uintptr_t>(aligned) % 16, 0u);
    for (int i = 0; i < 33; ++i) {
        EXPECT_EQ(aligned[i], 0);
        aligned[i] = 7;
    }
    aligned = static_cast<uint8_t*>(simd->Reallocate(aligned, 4096));
    EXPECT_EQ(reinterpret_cast<uintptr_t>(aligned) % 16, 0u);
    EXPECT_EQ(aligned[32], 7);
    EXPECT_EQ(aligned[4095], 0);
    simd->Free(aligned);
    EXPECT_THROW(simd->Allocate(SIZE_MAX - 4), base::KVOutOfMemory);

    base::IKVAllocator* local = posix::PosixLocalAllocator::Instance();
    auto* zeroed = static_cast<uint8_t*>(local->Allocate(8));
    std::memset(zeroed, 1, 8);
    zeroed = static_cast<uint8_t*>(local->Reallocate(zeroed, 64));
    EXPECT_EQ(zeroed[7], 1);
    EXPECT_EQ(zeroed[63], 0);
    local->Free(zeroed);

    base::IKVAllocator* vm = posix::PosixVMAlloc::Instance();
    auto* pages = static_cast<uint8_t*>(vm->Allocate(0));
    pages[0] = 1;
    vm->Free(pages);
    EXPECT_THROW(vm->Reallocate(nullptr, 1), base::KVUnsupportedOperation);
    try {
        vm->Allocate(SIZE_MAX / 2);
        ADD_FAILURE();
    } catch (const system::KVSysError& e) {
        EXPECT_EQ(Text(e.Message()).rfind("mmap(size = ", 0), 0u) << Text(e.Message());
    }
}

}  // namespace
