// Cross-check with an independent reader and writer: Debian's Palm::PDB (libpalm-perl).
// Files we write are read by Perl with the same content, and files Perl writes are read by us.
#include <gtest/gtest.h>

#include <cstdio>

#include "pdb/palm_database.h"
#include "support/handheld.h"

using hotsync::Bytes;
using hotsync::PalmDatabase;
using reelbox_test::TempFolder;

namespace {

// Prints a database as lines of text; record attributes are rebuilt from Palm::PDB's flags.
const char kDumpScript[] = R"PERL(
use strict; use Palm::PDB; use Palm::Raw;
&Palm::PDB::RegisterPRCHandlers("Palm::Raw", "");
my $pdb = Palm::PDB->new(); $pdb->Load($ARGV[0]);
print "name=$pdb->{name} type=$pdb->{type} creator=$pdb->{creator}\n";
print "appinfo=", (defined $pdb->{appinfo} ? unpack("H*", $pdb->{appinfo}) : "none"), "\n";
for my $r (@{$pdb->{records} || []}) {
  my $a = $r->{attributes}; my $raw = 0;
  $raw |= 0x80 if $a->{Delete}; $raw |= 0x40 if $a->{Dirty};
  $raw |= 0x20 if $a->{Busy}; $raw |= 0x10 if $a->{Secret};
  if (defined $r->{category}) { $raw |= $r->{category} } elsif ($a->{archive}) { $raw |= 8 }
  printf "record id=%d attr=%d data=%s\n", $r->{id}, $raw, unpack("H*", $r->{data});
}
for my $r (@{$pdb->{resources} || []}) {
  printf "resource type=%s id=%d data=%s\n", $r->{type}, $r->{id}, unpack("H*", $r->{data});
}
)PERL";

const char kWriteScript[] = R"PERL(
use strict; use Palm::PDB; use Palm::Raw;
my $pdb = Palm::Raw->new();
$pdb->{name} = "Perl-Made"; $pdb->{type} = "DATA"; $pdb->{creator} = "PERL";
$pdb->{appinfo} = pack("H*", "0102030405");
my $r = $pdb->append_Record(); $r->{data} = "hello"; $r->{id} = 77; $r->{category} = 3;
$r->{attributes}{Dirty} = 1;
$r = $pdb->append_Record(); $r->{data} = "secret"; $r->{id} = 78; $r->{category} = 15;
$r->{attributes}{Secret} = 1;
$pdb->Write($ARGV[0]);
my $p = Palm::Raw->new({attributes => {resource => 1}});
$p->{name} = "Perl Prefs"; $p->{type} = "sprf"; $p->{creator} = "psys";
$p->{attributes}{backup} = 1;
my $s = $p->append_Resource(); $s->{type} = "KVRT"; $s->{id} = 4; $s->{data} = pack("H*", "00011234");
$p->Write($ARGV[1]);
)PERL";

std::string Hex(const hotsync::SharedBytes& data) {
  std::string out;
  char two[3];
  for (uint8_t b : data) {
    std::snprintf(two, sizeof two, "%02x", b);
    out += two;
  }
  return out;
}

std::string Dump(const PalmDatabase& db) {
  std::string out = "name=" + db.name + " type=" + hotsync::FourCharText(db.type) +
                    " creator=" + hotsync::FourCharText(db.creator) + "\n";
  out += "appinfo=" + (db.hasAppInfo ? Hex(db.appInfo) : std::string("none")) + "\n";
  for (const auto& r : db.records) {
    out += "record id=" + std::to_string(r.id) + " attr=" + std::to_string(r.attributes) +
           " data=" + Hex(r.data) + "\n";
  }
  for (const auto& r : db.resources) {
    out += "resource type=" + hotsync::FourCharText(r.type) + " id=" + std::to_string(r.id) +
           " data=" + Hex(r.data) + "\n";
  }
  return out;
}

class PerlCrossCheck : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!reelbox_test::PerlAvailable()) GTEST_SKIP() << "Perl with Palm::PDB is not available here";
  }
  TempFolder folder_;
};

}  // namespace

TEST_F(PerlCrossCheck, PerlReadsOurRecordDatabaseWithTheSameContent) {
  PalmDatabase db = reelbox_test::NewRecordDatabase("Movie-Events", "QV05", "QVX5");
  db.hasAppInfo = true;
  db.appInfo = Bytes{0, 1, 2, 0xFE, 0xFF};
  reelbox_test::AddTestRecord(&db, "first record", 0x40 | 2);
  reelbox_test::AddTestRecord(&db, std::string("\0\x01\xff", 3), 0x10 | 15);
  reelbox_test::AddTestRecord(&db, "plain", 0);
  const std::string path = folder_.Join("Movie-Events.pdb");
  reelbox_test::WritePalmFile(path, db);
  int status = 0;
  const std::string perl = reelbox_test::RunPerl(kDumpScript, "'" + path + "'", &status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(perl, Dump(db));
}

TEST_F(PerlCrossCheck, PerlReadsOurResourceDatabaseWithTheSameContent) {
  PalmDatabase db;
  db.name = "Saved Preferences";
  db.attributes = hotsync::kDbAttrResource | hotsync::kDbAttrBackup;
  db.type = hotsync::FourCharCode("sprf");
  db.creator = hotsync::FourCharCode("psys");
  db.resources.push_back({hotsync::FourCharCode("KVRT"), 4, Bytes{0, 1, 0x12, 0x34}});
  db.resources.push_back({hotsync::FourCharCode("abcd"), 65535, Bytes{9}});
  const std::string path = folder_.Join("Saved Preferences.prc");
  reelbox_test::WritePalmFile(path, db);
  int status = 0;
  const std::string perl = reelbox_test::RunPerl(kDumpScript, "'" + path + "'", &status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(perl, Dump(db));
}

TEST_F(PerlCrossCheck, WeReadWhatPerlWritesAndWriteItBackUnchanged) {
  const std::string pdb = folder_.Join("perl.pdb");
  const std::string prc = folder_.Join("perl.prc");
  int status = 0;
  reelbox_test::RunPerl(kWriteScript, "'" + pdb + "' '" + prc + "'", &status);
  ASSERT_EQ(status, 0);
  PalmDatabase db;
  std::string error;
  ASSERT_TRUE(reelbox_test::ReadPalmFile(pdb, &db, &error)) << error;
  EXPECT_EQ(Dump(db),
            "name=Perl-Made type=DATA creator=PERL\nappinfo=0102030405\n"
            "record id=77 attr=67 data=68656c6c6f\n"
            "record id=78 attr=95 data=736563726574\n");  // Palm::PDB marks new records dirty
  EXPECT_EQ(hotsync::SerializePalmDatabase(db), reelbox_test::ReadBytes(pdb));
  ASSERT_TRUE(reelbox_test::ReadPalmFile(prc, &db, &error)) << error;
  EXPECT_TRUE(db.IsResourceDatabase());
  EXPECT_EQ(Dump(db),
            "name=Perl Prefs type=sprf creator=psys\nappinfo=none\n"
            "resource type=KVRT id=4 data=00011234\n");
  EXPECT_EQ(hotsync::SerializePalmDatabase(db), reelbox_test::ReadBytes(prc));
}
