// The file dataset on the python3-dbf fixture: the IndexList policies (index files checked
// against Perl XBase's index_dump), locks refused by a second process with the events' retries,
// and memos edited through blob streams (read back by Perl XBase and dbfread).

#include <filesystem>

#include "dataset_testutil.h"
#include "dbf/dataset/file_dataset.h"
#include "dbf/expr/expression.h"
#include "dbf/index/ndx.h"
#include "dbf/index/semaphore.h"
#include "platform/data/stream.h"
#include "platform/os/codepage.h"
#include "platform/os/file.h"

namespace {

namespace fs = std::filesystem;

class FileDatasetTest : public dstest::DatasetTest {
protected:
    void SetUp() override {
        DatasetTest::SetUp();
        dbf::InitParser();
        dbf::IndexInit();
        dbf::ResetSemaphores();
        dbf::SetIndexProgress(nullptr, 0);
        dstest::Reference("make '" + path_ + "'");
        ndx_ = (dir_ / "byname.ndx").string();
    }
    void TearDown() override {
        file_.reset();
        dbf::IndexDone();
        dbf::ResetSemaphores();
        DatasetTest::TearDown();
    }
    // The fixture in a TTzDbf with the index on NAME (none when indexed is false).
    dbf::TTzDbf& Open(dbf::TCreateIndexType policy, bool indexed = true) {
        file_ = std::make_unique<dbf::TTzDbf>();
        file_->SetName("Parts");
        file_->SetDbfFileName(path_);
        file_->CreateIndex = policy;
        if (indexed) file_->IndexList = {"0," + ndx_ + ",NAME"};
        file_->OnBeforeMakeIndex = [this](TDataSet&, const std::string&, bool&) { ++builds_; };
        file_->Open();
        return *file_;
    }
    std::string DumpCheck() { return dstest::Reference("ndx '" + path_ + "' '" + ndx_ + "'"); }

    std::string ndx_;
    int builds_ = 0;
    std::unique_ptr<dbf::TTzDbf> file_;
};

TEST_F(FileDatasetTest, IndexListPolicies) {
    enum Prep {
        Missing,
        Current,
        StaleCount,
        Damaged,
        TodaySemaphore,
        HeldSemaphore,
        LeftSemaphore
    };
    struct Case {
        const char* what;
        dbf::TCreateIndexType policy;
        Prep prep;
        bool builds;
        const char* first; // first name in index order; nullptr: the opening fails
        int semaphoreUsers = 0;
    };
    const Case cases[] = {
        {"missing index, ciNotFound", dbf::ciNotFound, Missing, true, "Hohlrad"},
        {"counts equal, ciVerifyHeader", dbf::ciVerifyHeader, Current, false, "Hohlrad"},
        {"a record more, ciVerifyHeader", dbf::ciVerifyHeader, StaleCount, true, "Aal"},
        {"a record more, ciNotFound", dbf::ciNotFound, StaleCount, false, "Hohlrad"},
        {"damaged index, ciNotFound", dbf::ciNotFound, Damaged, true, "Hohlrad"},
        {"current index, ciAlways", dbf::ciAlways, Current, true, "Hohlrad"},
        {"missing index, ciNever", dbf::ciNever, Missing, false, nullptr},
        // Other programs use the indexes: a semaphore file of today, or an older one still held.
        {"semaphore of today, ciAlways", dbf::ciAlways, TodaySemaphore, false, "Hohlrad", 6},
        {"semaphore held by another program, ciAlways", dbf::ciAlways, HeldSemaphore, false,
         "Hohlrad", 6},
        // Nobody holds it: a leftover, erased; this program logs in to a new one.
        {"leftover semaphore, ciAlways", dbf::ciAlways, LeftSemaphore, true, "Hohlrad", 1},
    };
    const std::string table = (dir_ / "fixture.dbf").string();
    fs::copy_file(path_, table);
    fs::copy_file(dir_ / "parts.dbt", dir_ / "fixture.dbt");
    const std::string sem = dbf::SemaphoreFileName(path_);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::copy_file(table, path_, fs::copy_options::overwrite_existing);
        fs::copy_file(dir_ / "fixture.dbt", dir_ / "parts.dbt",
                      fs::copy_options::overwrite_existing);
        fs::remove(ndx_);
        if (c.prep != Missing) {
            Open(dbf::ciAlways).Close(); // a sound index of the fixture
            ASSERT_EQ(DumpCheck(), "ok 8\n");
        }
        if (c.prep == StaleCount) {
            dbf::TTzDbf& t = Open(dbf::ciNotFound, false);
            t.Append();
            t.FieldByName("NAME")->SetAsString("Aal");
            t.Post();
            t.Close();
        }
        if (c.prep == Damaged) fs::resize_file(ndx_, 200);
        os::File holder;
        if (c.prep >= TodaySemaphore) {
            const std::uint8_t record[4] = {5, 0, 0, 0};
            ASSERT_EQ(holder.Open(sem, os::OpenMode{os::Access::ReadWrite, os::Share::DenyNone},
                                  os::Disposition::CreateAlways),
                      0);
            ASSERT_EQ(holder.WriteAt(0, record, 4), 0);
            if (c.prep != TodaySemaphore)
                fs::last_write_time(sem, fs::file_time_type::clock::now() - std::chrono::hours(50));
            if (c.prep != HeldSemaphore) holder.Close();
        }
        builds_ = 0;
        if (c.first == nullptr) {
            try {
                Open(c.policy);
                ADD_FAILURE() << "opened";
            } catch (const EDatabaseError& e) {
                EXPECT_NE(std::string(e.what()).find("Attempt to open " + ndx_), std::string::npos)
                    << e.what();
            }
            EXPECT_FALSE(file_->Active());
            EXPECT_EQ(dbf::WorkAreaSlot(1), nullptr); // the table closed again
            continue;
        }
        dbf::TTzDbf& t = Open(c.policy);
        EXPECT_EQ(builds_, c.builds ? 1 : 0);
        EXPECT_FALSE(t.IsSequenced());
        t.First();
        EXPECT_EQ(t.FieldByName("NAME")->AsString(), c.first);
        if (c.semaphoreUsers > 0) {
            std::string bytes;
            ASSERT_EQ(os::ReadWholeFile(sem, bytes), 0);
            EXPECT_EQ(static_cast<int>(static_cast<unsigned char>(bytes.at(0))), c.semaphoreUsers);
        }
        t.Close();
        holder.Close();
        fs::remove(sem);
        if (c.builds) {
            EXPECT_EQ(DumpCheck(), c.prep == StaleCount ? "ok 9\n" : "ok 8\n");
        }
    }
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(FileDatasetTest, RefusedLocksRaiseKeepTheEditAndRetryOnRequest) {
    using Event = dbf::TTzLockFailedEvent dbf::TTzFileDataSet::*;
    struct Case {
        const char* word;
        int code;          // the engine code the refusal raises
        std::int32_t held; // record the other process locks (0: its file lock)
        Event event;
        std::function<void(dbf::TTzDbf&)> begin; // the change up to its last step
        std::function<void(dbf::TTzDbf&)> end;   // the step that takes the lock
        int row;                                 // dbfread's row that shows the change
        const char* changed;
    };
    const auto edit = [](dbf::TTzDbf& t) {
        t.SetRecNo(2);
        t.Edit();
        t.FieldByName("NAME")->SetAsString("Ge\u00e4ndert");
    };
    const auto append = [](dbf::TTzDbf& t) {
        t.Append();
        t.FieldByName("NAME")->SetAsString("Ge\u00e4ndert");
    };
    const Case cases[] = {
        {"Post", 1200, 2, &dbf::TTzFileDataSet::OnRLockFailedOnPost, edit,
         [](dbf::TTzDbf& t) { t.Post(); }, 1, "live\tGe\u00e4ndert"},
        {"Delete", 1200, 2, &dbf::TTzFileDataSet::OnRLockFailedOnDelete,
         [](dbf::TTzDbf& t) { t.SetRecNo(2); }, [](dbf::TTzDbf& t) { t.Delete(); }, 1,
         "gone\tRitzel M\u00fcller"},
        {"Restore", 1200, 6, &dbf::TTzFileDataSet::OnRLockFailedOnRestore,
         [](dbf::TTzDbf& t) { t.SetRecNo(6); }, [](dbf::TTzDbf& t) { t.SetIsDeleted(false); }, 5,
         "live\tKupplung"},
        {"Insert", 1201, 0, &dbf::TTzFileDataSet::OnALockFailedOnInsert, append,
         [](dbf::TTzDbf& t) { t.Post(); }, 8, "live\tGe\u00e4ndert"},
    };
    const std::vector<std::string> before = dstest::View(path_);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.word);
        dstest::LockHolder holder(path_, c.held);
        ASSERT_TRUE(holder.Locked());
        dbf::TTzDbf& t = Open(dbf::ciNotFound, false);
        c.begin(t);
        const TDataSetState state = t.State();
        try {
            c.end(t);
            ADD_FAILURE() << "not refused";
        } catch (const EDatabaseError& e) {
            const std::string text = e.what();
            const std::string held =
                c.held != 0 ? "record " + std::to_string(c.held) + " of the table " + path_
                            : "the table " + path_ + " is locked for appending";
            EXPECT_NE(text.find("Lock failed: " + held), std::string::npos) << text;
            EXPECT_NE(text.find(std::string("program or window [") + c.word + "]"),
                      std::string::npos)
                << text;
            EXPECT_NE(text.find("Error # " + std::to_string(c.code)), std::string::npos) << text;
        }
        EXPECT_EQ(t.State(), state); // a refused post stays pending with its values
        if (state != dsBrowse) {
            EXPECT_EQ(t.FieldByName("NAME")->AsString(), "Ge\u00e4ndert");
        }
        EXPECT_EQ(dstest::View(path_), before);

        // The event asks twice for another try; the other process lets go at the second.
        int asked = 0;
        t.*c.event = [&](TDataSet&, bool& retry) {
            if (++asked == 2) holder.Release();
            retry = true;
        };
        c.end(t);
        EXPECT_EQ(asked, 2);
        EXPECT_EQ(t.State(), dsBrowse);
        t.Close();
        const std::vector<std::string> after = dstest::View(path_);
        ASSERT_GT(after.size(), static_cast<std::size_t>(c.row));
        EXPECT_EQ(after[c.row].substr(0, std::string(c.changed).size()), c.changed);
        dstest::Reference("make '" + path_ + "'");
    }
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(FileDatasetTest, MemosEditedThroughBlobStreams) {
    // Texts of the DOS page (box drawing included, which Windows 1252 lacks) survive.
    const std::string written =
        "Zeile eins\r\n\u00c4rger \u00fcber \u00d6l \u2554\u2550\u2557 5 \u00b5m";
    dbf::TTzDbf& t = Open(dbf::ciNotFound);
    TField* note = t.FieldByName("NOTE");
    ASSERT_TRUE(t.Locate("NAME", {std::string("Ritzel M\u00fcller")}, {}));
    EXPECT_EQ(t.RecNo(), 2);
    {
        std::unique_ptr<TStream> s = t.CreateBlobStream(note, bmWrite);
        s->WriteBuffer(written.data(), static_cast<std::int64_t>(written.size()));
    }
    EXPECT_EQ(t.State(), dsEdit);
    t.Post();
    ASSERT_TRUE(t.Locate("NAME", {std::string("Zahnrad")}, {}));
    {
        std::unique_ptr<TStream> s = t.CreateBlobStream(note, bmReadWrite);
        EXPECT_EQ(s->Seek(0, soEnd), 10);
        s->WriteBuffer(" and more", 9);
    }
    t.Post();
    EXPECT_EQ(note->AsString(), "first memo and more");
    // The work area kept its index and position: the next record in NAME order follows.
    t.Next();
    EXPECT_EQ(t.FieldByName("NAME")->AsString(), "Zahnstange");
    t.Close();

    std::vector<std::string> want(8);
    want[0] = "first memo and more";
    want[1] = written;
    std::istringstream dbfread(dstest::Reference("memo '" + path_ + "'"));
    std::istringstream xbase(qortest::RunCommand(std::string("/usr/bin/perl ") + QOR_SOURCE_DIR +
                                                 "/tests/dbf/memo_xbase.pl '" + path_ + "'"));
    std::string line;
    for (std::size_t i = 0; i < want.size(); ++i) {
        ASSERT_TRUE(std::getline(dbfread, line));
        EXPECT_EQ(line, dstest::Hex(want[i])) << "dbfread, record " << i + 1;
        ASSERT_TRUE(std::getline(xbase, line));
        EXPECT_EQ(line,
                  "memo\t" + std::to_string(i + 1) + "\t" + dstest::Hex(os::Utf8ToCp437(want[i])))
            << "Perl XBase";
    }
    EXPECT_TRUE(Boxes().empty());
}

// A text the table cannot hold is stored with "?" in place of what is missing, and the user is
// told which characters of which field: text fields and memos keep all the table's own page
// holds (box drawing and Greek letters in a DOS table). The page is the one the header names,
// else the setting's. The stored bytes as dbfread reads them.
TEST_F(FileDatasetTest, CharactersATableCannotHoldAreStoredAsQuestionMarksAndTold) {
    struct Case {
        dbf::TTzTableLanguage language;
        const char* page; // the table's as python3-dbf writes it, and its header byte 29
        const char *name, *note;
        const char *storedName, *storedNote; // hex of the bytes in the file
        const char* told;                    // "" when nothing is lost
    };
    const Case cases[] = {
        {dbf::tlOem, "cp437", "Rad \u03b1 \u00b1 \u20ac",
         "\u03b1 \u2264 \u03a9 \u2554 \u20ac \u2122", "52616420e020f1203f",
         "e020f320ea20c9203f203f", "NAME: \u20ac; NOTE: \u20ac \u2122"},
        {dbf::tlOem, "cp437", "\u03b120 \u03a9\u2265\u221e\u2550", "x", "e0323020eaf2eccd", "78",
         ""},
        {dbf::tlOem, "cp437", "\u00d6l 2\u00b0", "plain", "996c2032f8", "706c61696e", ""},
        {dbf::tlAnsi, "cp1252 0", "5 \u20ac \u03b1", "\u2264 \u00e9", "352080203f", "3f20e9",
         "NAME: \u03b1; NOTE: \u2264"},
        // The header names Windows ANSI: read and written in it whatever the setting.
        {dbf::tlOem, "cp1252", "Fr\u00e4ser \u20ac Gr\u00f6\u00dfe", "\u03a9",
         "4672e47365722080204772f6df65", "3f", "NOTE: \u03a9"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dstest::Reference("make '" + path_ + "' " + c.page);
        file_ = std::make_unique<dbf::TTzDbf>();
        file_->SetName("Parts");
        file_->SetDbfFileName(path_);
        file_->TableLanguage = c.language;
        file_->Open();
        file_->First();
        file_->Edit();
        file_->FieldByName("NAME")->SetAsString(c.name);
        file_->FieldByName("NOTE")->SetAsString(c.note);
        Boxes().clear();
        file_->Post();
        if (*c.told == '\0') {
            EXPECT_TRUE(Boxes().empty()) << Boxes()[0];
        } else {
            ASSERT_EQ(Boxes().size(), 1u);
            EXPECT_NE(Boxes()[0].find(c.told), std::string::npos) << Boxes()[0];
        }
        const std::string shown = file_->FieldByName("NAME")->AsString();
        file_->Close();
        int status = 0;
        const std::string stored = qortest::RunCommand(
            "/usr/bin/python3 -c \"import sys, dbfread\n"
            "r = next(iter(dbfread.DBF(sys.argv[1], encoding='latin-1')))\n"
            "print(r['NAME'].encode('latin-1').hex(), r['NOTE'].encode('latin-1').hex())\n"
            "print(r['NAME'].encode('latin-1').decode(sys.argv[2]).rstrip())\" '" +
                path_ + "' " + std::string(c.page).substr(0, std::string(c.page).find(' ')) +
                " 2>&1",
            status);
        // What the dataset shows is what the file holds, read in the table's own page.
        EXPECT_EQ(stored, std::string(c.storedName) + " " + c.storedNote + "\n" + shown + "\n");
    }
}

} // namespace
