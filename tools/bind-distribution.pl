#!/usr/bin/perl
# Binds a distribution to its Setup.exe, before Setup.exe is signed:
#
#   bind-distribution.pl <distribution folder> <Setup.exe> <bound Setup.exe>
#
# 1. writes <folder>/Distribution.manifest: every file of the distribution
#    but Setup.exe (its signature covers it) and the manifest itself, with
#    its size and SHA-256, in code page 936 with CR LF lines, as Setup.exe
#    reads it:
#      Kelvra V9 distribution manifest<TAB>1
#      File<TAB><size><TAB><sha256><TAB><path, folders joined by "\">
# 2. writes a copy of Setup.exe with the manifest's SHA-256 in its binding
#    resource (the 32 zero bytes after the marker, which must be there once);
# 3. prints the manifest's SHA-256.
use strict;
use warnings;
use Digest::SHA;
use Encode qw(decode encode);
use File::Find;

@ARGV == 3 or die "usage: bind-distribution.pl <distribution folder> <Setup.exe> <bound Setup.exe>\n";
my ($folder, $setup, $bound) = @ARGV;
$folder =~ s{/+$}{};
my $manifest_name = 'Distribution.manifest';
my $marker = 'KELVRA-V9-DISTRIBUTION-MANIFEST:';

my @files;
find({ no_chdir => 1, wanted => sub {
    return unless -f $_;
    my $relative = substr($_, length($folder) + 1);
    return if $relative =~ m{^(setup\.exe|\Q$manifest_name\E)$}i;
    push @files, $relative;
} }, $folder);

my $text = "Kelvra V9 distribution manifest\t1\r\n";
for my $relative (sort @files) {
    my $sha = Digest::SHA->new(256);
    $sha->addfile("$folder/$relative", 'b');
    (my $windows = $relative) =~ s{/}{\\}g;
    # Names are UTF-8 here; Setup.exe compares them in code page 936.
    my $name = encode('cp936', decode('UTF-8', $windows, Encode::FB_CROAK), Encode::FB_CROAK);
    $text .= sprintf("File\t%d\t%s\t%s\r\n", -s "$folder/$relative", $sha->hexdigest, $name);
}
open(my $out, '>:raw', "$folder/$manifest_name") or die "cannot write the manifest: $!\n";
print $out $text;
close($out) or die "cannot write the manifest: $!\n";
my $digest = Digest::SHA::sha256($text);

open(my $in, '<:raw', $setup) or die "cannot read $setup: $!\n";
my $image = do { local $/; <$in> };
close($in);
my $zeros = "\0" x 32;
my $count = () = $image =~ /\Q$marker$zeros\E/g;
$count == 1 or die "$setup: $count unbound binding resources, not 1\n";
my $at = index($image, $marker . $zeros) + length($marker);
substr($image, $at, 32) = $digest;
open(my $copy, '>:raw', $bound) or die "cannot write $bound: $!\n";
print $copy $image;
close($copy) or die "cannot write $bound: $!\n";
print unpack('H*', $digest), "\n";
