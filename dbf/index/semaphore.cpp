// Index engine (unit `vovor`): semaphore files of shared tables and the counted read and write
// brackets of the index engine.

#include "dbf/index/semaphore.h"

#include <array>
#include <cstring>
#include <memory>

#include "dbf/table/work_areas.h"
#include "dbf/index/maintain.h"
#include "dbf/base/errors.h"
#include "dbf/index/ndx.h"
#include "dbf/table/area_record.h"
#include "platform/os/clock.h"
#include "platform/os/paths.h"

namespace dbf {

std::string SemaphoreDirectory;
std::uint32_t SemaphoreReadTimeout = 100;

namespace {

std::array<std::unique_ptr<TSemaphoreControl>, kSemaphoreAreas> g_sem;

const char* const kActionNames[] = {"LOGIN",   "LOGOUT",        "INCREAD",
                                    "DECREAD", "LOCKSEMAPHORE", "UNLOCKSEMAPHORE"};

constexpr std::uint64_t kRegionOffset = 1;
constexpr std::uint64_t kRegionLength = 4;

int ReadRecord(TSemaphoreControl& s) {
    std::array<std::uint8_t, 4> b{};
    const int rc = s.File.ReadAt(0, b.data(), b.size());
    if (rc != 0) return rc;
    s.Last.Users = b[0];
    s.Last.Readers = b[1];
    s.Last.Counter = static_cast<std::uint16_t>(b[2] | (b[3] << 8));
    return 0;
}

int WriteRecord(TSemaphoreControl& s) {
    const std::array<std::uint8_t, 4> b{s.Last.Users, s.Last.Readers,
                                        static_cast<std::uint8_t>(s.Last.Counter & 0xFF),
                                        static_cast<std::uint8_t>(s.Last.Counter >> 8)};
    return s.File.WriteAt(0, b.data(), b.size());
}

bool LockIndexSemaphore(TSemaphoreControl& s, int action) {
    int rc = 0;
    for (int attempt = 0; attempt < 1001; ++attempt) {
        rc = s.File.Lock(kRegionOffset, kRegionLength);
        if (rc == 0) {
            s.RegionLocked = true;
            return true;
        }
        os::SleepMs(10);
    }
    SetError(kErrSemaphore,
             "10 second timeout: Cannot lock index semaphore file: " + s.FileName + " " +
                 kActionNames[action] +
                 "\r\nPossible cause: Network lock limit exceeded\r\n Lock result code: " +
                 std::to_string(rc));
    return false;
}

bool UnlockIndexSemaphore(TSemaphoreControl& s, int action) {
    if (!s.RegionLocked) return true;
    const int rc = s.File.Unlock(kRegionOffset, kRegionLength);
    if (rc != 0) {
        SetError(static_cast<std::uint16_t>(rc),
                 "Cannot unlock index semaphore file: " + s.FileName + " " + kActionNames[action]);
        return false;
    }
    s.RegionLocked = false;
    return true;
}

bool Fail(TSemaphoreControl& s, int action, int rc, const std::string& what) {
    UnlockIndexSemaphore(s, action);
    SetError(static_cast<std::uint16_t>(rc), what + s.FileName + " " + kActionNames[action]);
    return false;
}

void ReadTimeout(TSemaphoreControl& s) {
    SetError(kErrSemaphore,
             std::to_string(SemaphoreReadTimeout) + " second timeout, cannot read: " + s.FileName +
                 "\r\nPossible cause: Other user's program has terminated abnormally."
                 "\r\nCure: Log all users of this application off the network,\r\nthen "
                 "delete " +
                 s.FileName);
}

// The table's lock byte, retried for about ten seconds.
bool LockTable(const std::string& name, int action) {
    for (int attempt = 0; attempt <= 1000; ++attempt) {
        {
            ErrorReportingOff quiet;
            if (LockBaseByte()) return true;
        }
        os::SleepMs(10);
    }
    SetError(kErrSemaphore, "Cannot lock database for: " + name +
                                " Action=" + kActionNames[action] + " [Database Semaphore]");
    return false;
}

bool Login(std::uint8_t area, TWorkArea& a) {
    auto s = std::make_unique<TSemaphoreControl>();
    s->FileName = SemaphoreFileName(a.FileName);
    if (!LockTable(a.FileName, kSemLogin)) return false;
    struct TableUnlock {
        ~TableUnlock() { UnlockBaseByte(); }
    } unlock;
    bool created = false;
    {
        os::File f;
        const int rc = f.Open(s->FileName, os::OpenMode{os::Access::ReadWrite, os::Share::DenyAll},
                              os::Disposition::CreateNew);
        if (rc == 0) {
            const std::array<std::uint8_t, 4> zero{};
            const int wc = f.WriteAt(0, zero.data(), zero.size());
            f.Close();
            if (wc != 0) {
                os::RemoveFile(s->FileName);
                SetError(static_cast<std::uint16_t>(wc),
                         "Cannot write to: " + s->FileName + " Action=LOGIN [Database Semaphore]");
                return false;
            }
            created = true;
        } else if (rc != os::kErrFileExists && rc != os::kErrPathNotFound &&
                   rc != os::kErrAccessDenied && rc != os::kErrSharingViolation) {
            SetError(static_cast<std::uint16_t>(rc),
                     "Cannot open/create: " + s->FileName + " LOGIN");
            return false;
        }
    }
    int rc = s->File.Open(s->FileName, os::OpenMode{os::Access::ReadWrite, os::Share::DenyNone});
    if (rc != 0) {
        SetError(static_cast<std::uint16_t>(rc), "Cannot open: " + s->FileName + " LOGIN");
        return false;
    }
    if (!LockIndexSemaphore(*s, kSemLogin)) return false;
    if (!created) os::SleepMs(5);
    rc = ReadRecord(*s);
    if (rc != 0) return Fail(*s, kSemLogin, rc, "Cannot read: ");
    if (s->Last.Users < 255) ++s->Last.Users;
    s->UsersAtLogin = s->Last.Users;
    rc = WriteRecord(*s);
    if (rc != 0) return Fail(*s, kSemLogin, rc, "Cannot write to: ");
    if (!UnlockIndexSemaphore(*s, kSemLogin)) return false;
    s->CounterSeen = s->Last.Counter;
    g_sem[area - 1] = std::move(s);
    return true;
}

bool Logout(std::uint8_t area, TWorkArea& a) {
    std::unique_ptr<TSemaphoreControl> s = std::move(g_sem[area - 1]);
    if (!LockTable(a.FileName, kSemLogout)) return false;
    struct TableUnlock {
        ~TableUnlock() { UnlockBaseByte(); }
    } unlock;
    if (!s->RegionLocked && !LockIndexSemaphore(*s, kSemLogout)) return false;
    int rc = ReadRecord(*s);
    if (rc != 0) return Fail(*s, kSemLogout, rc, "Cannot read: ");
    if (s->CountedReader && s->Last.Readers > 0) --s->Last.Readers;
    if (s->LockNest > 0) s->Last.Readers = 0; // a writer that never ended leaves no mark
    if (s->Last.Users > 0) --s->Last.Users;
    rc = WriteRecord(*s);
    if (rc != 0) return Fail(*s, kSemLogout, rc, "Cannot write to: ");
    UnlockIndexSemaphore(*s, kSemLogout);
    const bool last = s->Last.Users == 0;
    s->File.Close();
    if (last) os::RemoveFile(s->FileName);
    return true;
}

bool IncDecRead(TSemaphoreControl& s, bool inc) {
    const int action = inc ? kSemIncRead : kSemDecRead;
    if (inc) {
        if (++s.ReadNest > 1) return true;
    } else {
        if (--s.ReadNest < 0) {
            s.ReadNest = 0; // an extra close must not disable the brackets that follow
            SetError(kErrInternal, "Unbalanced IncRead/DecRead for semaphore file: " + s.FileName +
                                       " " + kActionNames[action]);
            return false;
        }
        if (s.ReadNest > 0) return true;
    }
    if (s.RegionLocked || s.CountedReader == inc) return true;
    if (!LockIndexSemaphore(s, action)) return false;
    s.CountedReader = inc;
    int rc = ReadRecord(s);
    if (rc != 0) return Fail(s, action, rc, "Cannot read: ");
    if (inc && s.Last.Readers < kMaxReaders) ++s.Last.Readers;
    if (!inc && s.Last.Readers > 0) --s.Last.Readers;
    rc = WriteRecord(s);
    if (rc != 0) return Fail(s, action, rc, "Cannot write to: ");
    return UnlockIndexSemaphore(s, action);
}

bool LockSemaphore(TSemaphoreControl& s) {
    if (++s.LockNest > 1 || s.RegionLocked) return true;
    const std::uint64_t start = os::TickCount64() / 1000;
    for (;;) {
        if (!LockIndexSemaphore(s, kSemLock)) return false;
        const int rc = ReadRecord(s);
        if (rc != 0) return Fail(s, kSemLock, rc, "Cannot read: ");
        // Our own reader mark does not keep us out.
        const int others = s.Last.Readers - (s.CountedReader ? 1 : 0);
        if (others <= 0) break;
        UnlockIndexSemaphore(s, kSemLock);
        if (SemaphoreReadTimeout > 0 && os::TickCount64() / 1000 - start > SemaphoreReadTimeout) {
            ReadTimeout(s);
            return false;
        }
        os::SleepMs(1);
    }
    s.Last.Readers = 1;
    const int rc = WriteRecord(s);
    if (rc != 0) return Fail(s, kSemLock, rc, "Cannot write to: ");
    return true;
}

bool UnlockSemaphore(TSemaphoreControl& s) {
    if (--s.LockNest < 0) {
        s.LockNest = 0;
        UnlockIndexSemaphore(s, kSemUnlock);
        SetError(kErrInternal, "Unbalanced Lock/Unlock for semaphore file: " + s.FileName + " " +
                                   kActionNames[kSemUnlock]);
        return false;
    }
    if (s.LockNest > 0 || !s.RegionLocked) return true;
    int rc = ReadRecord(s);
    if (rc != 0) return Fail(s, kSemUnlock, rc, "Cannot read: ");
    s.Last.Counter = s.Last.Counter >= kMaxChangeCounter ? 0 : s.Last.Counter + 1;
    // A reader mark of our own (a write inside a read bracket) stays counted.
    s.Last.Readers = s.CountedReader ? 1 : 0;
    rc = WriteRecord(s);
    if (rc != 0) return Fail(s, kSemUnlock, rc, "Cannot write to: ");
    s.CounterSeen = s.Last.Counter;
    return UnlockIndexSemaphore(s, kSemUnlock);
}

// Another program changed the indexes: anchors again, no cached or copied node kept. Before a
// read the controlling order is positioned anew on the current record as stored; before an
// update the update positions it itself (the record buffer may already hold the new values).
void SoftSynchronize(TSemaphoreControl& s, bool writing) {
    if (s.Last.Counter == s.CounterSeen) return;
    s.CounterSeen = s.Last.Counter;
    if (!ReadAnchorNodes()) return;
    TAreaIndexes* ai = AreaIndexes(CurrentAreaNo);
    if (ai == nullptr) return;
    ai->Cache.Invalidate();
    for (auto& o : ai->Orders) {
        if (!o) continue;
        o->Path.clear();
        o->OwnNode.Clear();
        o->CurrentNode = nullptr;
        o->CurrentBlock = kNoNode;
    }
    TWorkArea* a = CurrentWorkArea();
    if (a == nullptr || !ai->Orders[0]) return;
    TIndexControl& ctl = *ai->Orders[0];
    const std::int32_t rec = a->RecNo;
    if (writing) {
        ctl.AtEnd = rec < 1 || rec > a->RecordCount;
        return;
    }
    RefreshRecCount();
    if (rec < 1 || rec > a->RecordCount) {
        ctl.AtEnd = true;
        return;
    }
    // The key of the record as stored, without disturbing what the caller holds.
    const std::vector<char> record = a->RecordBuffer;
    const std::vector<char> stored = a->StoredRecord;
    const std::int32_t storedNo = a->StoredRecNo;
    const std::vector<std::uint8_t> vars(a->FieldVars, a->FieldVars + a->FieldVarsSize);
    const bool eof = a->Eof, bof = a->Bof;
    Dbf4RawGo(rec);
    if (LastErrorCode == 0) SyncIndex(false);
    a->RecordBuffer = record;
    a->StoredRecord = stored;
    a->StoredRecNo = storedNo;
    if (!vars.empty()) std::memcpy(a->FieldVars, vars.data(), vars.size());
    a->RecNo = rec;
    a->Eof = eof;
    a->Bof = bof;
    if (LastErrorCode == kErrBeyondRange) {
        std::string t = ErrorText;
        const auto at = t.find(". [SyncIndex");
        if (at != std::string::npos) t = t.substr(0, at) + ". [SoftSyncIndex]";
        ErrorText = t;
    }
}

} // namespace

std::string SemaphoreFileName(const std::string& tableFile) {
    std::string name = tableFile;
    const auto slash = name.find_last_of('/');
    const auto dot = name.find_last_of('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) name.resize(dot);
    name += ".@S@";
    if (!SemaphoreDirectory.empty()) {
        std::string dir = SemaphoreDirectory;
        if (dir.back() != '/') dir += '/';
        name = dir + name.substr(slash == std::string::npos ? 0 : slash + 1);
    }
    return name;
}

bool SemaphoreInUse() {
    const TWorkArea* a = CurrentWorkArea();
    return MultiUser && a != nullptr && !a->Exclusive && CurrentAreaNo >= 1 &&
           CurrentAreaNo <= kSemaphoreAreas;
}

bool HandleSemafore(int action) {
    if (action < 0 || action > kSemUnlock) return true;
    if (CurrentAreaNo > kSemaphoreAreas || CurrentAreaNo < 1) {
        SetError(kErrInternal, "Work area [" + std::to_string(CurrentAreaNo) +
                                   " ] out of range. [HandleSemafore]");
        return false;
    }
    TWorkArea* a = CurrentWorkArea();
    if (!SemaphoreInUse() || a == nullptr) return true;
    std::unique_ptr<TSemaphoreControl>& s = g_sem[CurrentAreaNo - 1];
    if (action == kSemLogin) return s ? true : Login(CurrentAreaNo, *a);
    if (!s) return true;
    switch (action) {
    case kSemLogout:
        return Logout(CurrentAreaNo, *a);
    case kSemIncRead:
        if (!IncDecRead(*s, true)) return false;
        break;
    case kSemDecRead:
        return IncDecRead(*s, false);
    case kSemLock:
        if (!LockSemaphore(*s)) return false;
        break;
    case kSemUnlock:
        return UnlockSemaphore(*s);
    default:
        return true;
    }
    // Entering the outermost bracket: the record was just read.
    if ((action == kSemIncRead && s->ReadNest == 1 && !s->RegionLocked) ||
        (action == kSemLock && s->LockNest == 1)) {
        SoftSynchronize(*s, action == kSemLock);
    }
    return LastErrorCode == 0;
}

void SetReadSemaphoreProc(bool on) {
    HandleSemafore(on ? kSemIncRead : kSemDecRead);
}

void SetLockSemaphoreProc(bool on) {
    HandleSemafore(on ? kSemLock : kSemUnlock);
}

const TSemaphoreControl* SemaphoreState(std::uint8_t a) {
    if (a < 1 || a > kSemaphoreAreas) return nullptr;
    return g_sem[a - 1].get();
}

void ResetSemaphores() {
    for (auto& s : g_sem)
        s.reset();
}

bool ReadAnchorNodes() {
    TAreaIndexes* ai = AreaIndexes(CurrentAreaNo);
    if (ai == nullptr) return true;
    for (auto& o : ai->Orders) {
        if (!o) continue;
        std::array<std::uint8_t, 24> b{};
        const int rc = o->File.ReadAt(0, b.data(), b.size());
        if (rc != 0) {
            SetError(static_cast<std::uint16_t>(rc),
                     "Error reading index file:  " + o->FileName + " [ReadAnchorNodes]");
            return false;
        }
        const TNdxAnchor anchor = TNdxAnchor::Decode(b.data());
        std::uint64_t size = 0;
        const std::uint32_t blocks = o->File.Size(size) == 0 && size >= kNdxBlockSize
                                         ? static_cast<std::uint32_t>(std::min<std::uint64_t>(
                                               size / kNdxBlockSize, 0xFFFFFFFFu))
                                         : 0;
        // The key layout of an open order cannot change under it: another layout is damage.
        if (const std::string problem = AnchorProblem(anchor, blocks);
            !problem.empty() || anchor.KeyLength != o->Anchor.KeyLength ||
            anchor.KeyTypeLetter != o->Anchor.KeyTypeLetter) {
            SetError(kErrCorruptIndex, "Corrupted index file " + o->FileName + " (" +
                                           (problem.empty() ? "key changed" : problem) +
                                           ") [ReadAnchorNodes]");
            return false;
        }
        o->Anchor = anchor;
        o->AnchorDirty = false;
        o->Store.Clear();
    }
    return true;
}

} // namespace dbf
