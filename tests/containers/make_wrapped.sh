#!/usr/bin/env bash
# Wraps the payloads the test wrote into FOLDER (disk.img, icons.rsrc, notes.txt) with
# independent tools: gzip, bzip2, xz, zip, macutils (binhex, macstream), hfsutils (hformat,
# hcopy -m / -b out of an HFS volume) and, where Debian has no writer (AppleSingle,
# AppleDouble, DiskCopy 4.2), a few lines of Perl written from the format documents.
set -euo pipefail
cd "$1"
export HOME="$PWD" # hmount keeps its current-volume file in $HOME

gzip -k9 disk.img
bzip2 -k disk.img
xz -k disk.img
zip -q -0 stored.zip disk.img
zip -q -9 deflated.zip disk.img

# DiskCopy 4.2: 84-byte header, the data, then 12 zero tag bytes per 512-byte block.
perl -e '
  local $/; open my $f, "<:raw", "disk.img" or die; my $d = <$f>;
  my $sum = 0;
  for my $w (unpack "n*", $d) { $sum = ($sum + $w) & 0xFFFFFFFF; $sum = (($sum >> 1) | ($sum << 31)) & 0xFFFFFFFF; }
  my $tags = "\0" x (length($d) / 512 * 12);
  binmode STDOUT;
  print pack("C a63 N N N N C C n", 7, "Planted", length $d, length $tags, $sum, 0, 1, 0x22, 0x0100), $d, $tags;
' > disk.dc42
gzip -k disk.dc42
zip -q -0 nested.zip disk.dc42.gz

# BinHex and MacBinary of a file whose resource fork is icons.rsrc.
binhex -r -t ICN_ -c PQTS icons.rsrc > icons-macutils.hqx
binhex -d -t TEXT -c ttxt notes.txt > notes.hqx
macstream -d -t TEXT -c ttxt notes.txt > notes.bin
sed '1s/.*/(This file must be converted with BinHex 4.0)/' icons-macutils.hqx > import.hqx
dd if=/dev/zero of=volume.hfs bs=1k count=800 status=none
hformat -l Wrapped volume.hfs > /dev/null
hmount volume.hfs > /dev/null
hcopy -b import.hqx :
hcopy -m :icons.rsrc icons.bin
hcopy -b :icons.rsrc icons.hqx
humount > /dev/null

# AppleSingle (both forks) and AppleDouble (resource fork only), version 2.
perl -e '
  sub slurp { local $/; open my $f, "<:raw", $_[0] or die; <$f> }
  for my $double (0, 1) {
    my @e = ([3, "icons.rsrc"], [9, "ICN_PQTS" . "\0" x 24], [2, slurp("icons.rsrc")]);
    push @e, [1, slurp("notes.txt")] unless $double;
    my ($table, $body) = ("", "");
    for (@e) { $table .= pack("NNN", $_->[0], 26 + 12 * @e + length $body, length $_->[1]); $body .= $_->[1]; }
    open my $out, ">:raw", $double ? "._icons.rsrc" : "icons.as" or die;
    print $out pack("N N a16 n", $double ? 0x00051607 : 0x00051600, 0x00020000, "", scalar @e), $table, $body;
  }
'

# UDIF: a data fork of chunks (zero-fill, zlib, bzip2, raw), the block table in a property
# list, and the 512-byte "koly" trailer. The second copy claims its deflated chunk is LZFSE.
bzip2 -c <(tail -c +$((128 * 512 + 1)) disk.img | head -c $((32 * 512))) > chunk.bz2
for variant in disk.dmg:2147483653 lzfse.dmg:2147483655; do
perl -MCompress::Zlib -MMIME::Base64 -e '
  my ($name, $middle) = split /:/, $ARGV[0];
  sub slurp { local $/; open my $f, "<:raw", $_[0] or die; <$f> }
  my $d = slurp("disk.img");
  my $sectors = length($d) / 512;
  my @chunks = ([0x00000000, 0, 64, ""], [$middle, 64, 64, compress(substr($d, 64 * 512, 64 * 512))],
                [0x80000006, 128, 32, slurp("chunk.bz2")], [0x00000001, 160, 32, substr($d, 160 * 512)]);
  my ($fork, $table) = ("", "");
  for (@chunks) {
    $table .= pack("N N Q> Q> Q> Q>", $_->[0], 0, $_->[1], $_->[2], length $fork, length $_->[3]);
    $fork .= $_->[3];
  }
  $table .= pack("N N Q> Q> Q> Q>", 0xFFFFFFFF, 0, $sectors, 0, length $fork, 0);
  my $mish = pack("a4 N Q> Q> Q> N N x24 N N x128 N", "mish", 1, 0, $sectors, 0, 0x208, 0, 0, 0, @chunks + 1) . $table;
  my $xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n<key>resource-fork</key>\n"
          . "<dict>\n<key>blkx</key>\n<array>\n<dict>\n<key>Attributes</key>\n<string>0x0050</string>\n"
          . "<key>Data</key>\n<data>\n" . encode_base64($mish) . "</data>\n<key>ID</key>\n<string>0</string>\n"
          . "<key>Name</key>\n<string>whole disk (Apple_HFS : 0)</string>\n</dict>\n</array>\n</dict>\n</dict>\n</plist>\n";
  my $koly = pack("a4 N N N Q> Q> Q> Q> Q> N N a16 N N a128 Q> Q> a120 N N a128 N Q> a12", "koly", 4, 512, 1, 0, 0,
                  length $fork, 0, 0, 1, 1, "", 0, 0, "", length $fork, length $xml, "", 0, 0, "", 1, $sectors, "");
  open my $out, ">:raw", $name or die;
  print $out $fork, $xml, $koly;
' "$variant"
done
dmg2img -s disk.dmg disk.dmg.img && cmp disk.dmg.img disk.img # the writer checked by an independent reader
