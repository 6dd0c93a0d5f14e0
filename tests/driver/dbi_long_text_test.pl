#!/usr/bin/perl
# Long Cyrillic text through Perl's DBI and Debian's DBD::ODBC, as a script
# reads it: LongReadLen set, bound columns, primary_key_info. Debian builds
# DBD::ODBC without the wide functions: text arrives as UTF-8 bytes, whole.
# Run by ctest: dbi_long_text_test.pl DBTOOL ODBCSYSINI
use strict;
use warnings;
use utf8;
use File::Temp qw(tempdir);
use File::Copy qw(copy);
use Encode qw(decode);

my ($dbtool, $odbcsysini) = @ARGV;
die "usage: dbi_long_text_test.pl DBTOOL ODBCSYSINI\n" unless $odbcsysini;
my $folder = tempdir("detalehran-dbi-XXXXXX", TMPDIR => 1, CLEANUP => 1);
copy("$odbcsysini/odbcinst.ini", "$folder/odbcinst.ini") or die "copy: $!";
open(my $ini, '>', "$folder/odbc.ini") or die; close $ini;
$ENV{ODBCSYSINI} = $folder;
$ENV{ODBCINI} = "$folder/odbc.ini";
$ENV{HOME} = $folder;
mkdir "$folder/store";
system($dbtool, 'create', "$folder/store") == 0 or die "detalehran-db create failed\n";

require DBI;
my ($passed, @failed) = (0);
sub check {
    my ($what, $got, $expected) = @_;
    if (defined $got && $got eq $expected) { $passed++ } else {
        push @failed, "$what: got " . (defined $got ? length($got) . " characters" : 'undef')
            . ", expected " . length($expected);
    }
}

my $dbh = DBI->connect("dbi:ODBC:DRIVER={Microsoft Access Driver (*.mdb)};DBQ=$folder/store/Store.mdb",
                       '', '', { RaiseError => 1, PrintError => 0, AutoCommit => 1 });
$dbh->{LongReadLen} = 400000;
my %texts = (128 => 'Ж' x 128, 300 => 'Щ' x 300, 100000 => ('Ёлка ' x 20000));
for my $n (sort { $a <=> $b } keys %texts) {
    $dbh->do('INSERT INTO [Store] ([Название], [Описание]) VALUES (?, ?)', undef, "Текст $n", $texts{$n});
}
my $sth = $dbh->prepare('SELECT [Название], [Описание] FROM [Store] ORDER BY [ID]');
$sth->execute;
while (my ($name, $text) = $sth->fetchrow_array) {
    my ($n) = $name =~ /(\d+)/;
    check("$n letters read back", decode('UTF-8', $text, Encode::FB_CROAK), $texts{$n});
}
my @key = $dbh->primary_key('', '', 'Store');
check('primary key', join(',', @key), 'ID');
my $row = $dbh->selectrow_arrayref(q{SELECT UCASE([Описание]) & '!' FROM [Store] WHERE [Название] = 'Текст 128'});
check('UCASE and &', decode('UTF-8', $row->[0]), ('Ж' x 128) . '!');
# DBI's array operations: one execute for many rows.
my $insert = $dbh->prepare('INSERT INTO [Package] ([Тип корпуса]) VALUES (?)');
my @statuses;
$insert->execute_array({ ArrayTupleStatus => \@statuses }, [map { "Корпус $_" } 1 .. 50]);
check('rows from execute_array', $dbh->selectrow_array('SELECT COUNT(*) FROM [Package]'), 50);
$dbh->disconnect;

print "FAILED: $_\n" for @failed;
printf "%d passed, %d failed\n", $passed, scalar @failed;
exit(@failed ? 1 : 0);
