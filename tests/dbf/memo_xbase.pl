#!/usr/bin/perl
# Independent reader for the memo tests: Perl XBase (libdbd-xbase-perl) reads the table PATH
# and prints "memo<TAB>i<TAB>hex" for the memo field NOTE of each record i (from 1).
use strict;
use warnings;
use XBase;

my $path = shift or die "usage: memo_xbase.pl PATH\n";
my $table = XBase->new($path) or die XBase->errstr;
for my $i (0 .. $table->last_record) {
    my ($deleted, $note) = $table->get_record($i, 'NOTE');
    die $table->errstr unless defined $deleted;
    $note = '' unless defined $note;
    printf "memo\t%d\t%s\n", $i + 1, unpack('H*', $note);
}
$table->close;
