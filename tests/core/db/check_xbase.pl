#!/usr/bin/perl
# Reads a table and its structural index with Perl's XBase modules and prints what they see:
#   FIELD <name> <type> <length> <decimals>
#   ROW <recno> <deleted 0/1> <value>...      (values tab-separated, as XBase returns them)
#   TAG <name>                                 (tag directory of the index)
#   KEY <tag> <recno> <key as hex>             (each tag walked in order; trailing blanks removed)
use strict;
use warnings;
use XBase;
use XBase::Index;

my ($dbf, $cdx) = @ARGV;
my $t = XBase->new($dbf) or die "XBase: " . XBase->errstr . "\n";
my @names = $t->field_names;
my @types = $t->field_types;
my @lengths = $t->field_lengths;
my @decimals = $t->field_decimals;
for my $i (0 .. $#names) {
    print join("\t", "FIELD", $names[$i], $types[$i], $lengths[$i], $decimals[$i] // 0), "\n";
}
for my $r (0 .. $t->last_record) {
    my @v = $t->get_record($r);
    my $deleted = shift @v;
    print join("\t", "ROW", $r + 1, $deleted ? 1 : 0, map { defined $_ ? $_ : "" } @v), "\n";
}
my $dir = XBase::Index->new($cdx, type => 'C') or die "XBase::Index: " . XBase::Index->errstr . "\n";
for my $tag ($dir->tags) {
    print "TAG\t$tag\n";
    my $idx = XBase::Index->new($cdx, tag => $tag, type => 'C') or die "tag $tag: " . XBase::Index->errstr . "\n";
    $idx->prepare_select;
    while (my ($key, $recno) = $idx->fetch) {
        print join("\t", "KEY", $tag, $recno, unpack("H*", $key)), "\n";
    }
}
