#!/usr/bin/perl
# Independent reader for the memo pack, copy and blob tests: Perl XBase (libdbd-xbase-perl)
# reads the table PATH and prints "memo<TAB>i<TAB>FIELD<TAB>hex" for every memo field of every
# record i (from 1); a record without memo gives an empty hex.
use strict;
use warnings;
use XBase;

my $path = shift or die "usage: memopack_xbase.pl PATH\n";
my $table = XBase->new($path) or die XBase->errstr;
my @memo = grep { $table->field_type($_) eq 'M' } $table->field_names;
for my $i (0 .. $table->last_record) {
    my ($deleted, @values) = $table->get_record($i, @memo);
    die $table->errstr unless defined $deleted;
    for my $k (0 .. $#memo) {
        my $v = defined $values[$k] ? $values[$k] : '';
        printf "memo\t%d\t%s\t%s\n", $i + 1, $memo[$k], unpack('H*', $v);
    }
}
$table->close;
