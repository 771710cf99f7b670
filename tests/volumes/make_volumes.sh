#!/usr/bin/env bash
# Makes HFS volumes with Debian's hfsutils out of what the test wrote into FOLDER:
#   catalog.list, pieces.list (optional): one file a line, tab-separated: the folder (an HFS path such
#   as ":Sub:Deeper:", Mac OS Roman bytes), the name, type, creator, Finder flags (decimal),
#   the data fork's file and the resource fork's file.
# Each file is wrapped as MacBinary II (a few lines of Perl, from the format's description)
# and copied in with `hcopy -m`. catalog.hfs holds catalog.list; pieces.hfs is first filled
# with small files, every other one deleted, then pieces.list is copied into the holes.
set -euo pipefail
cd "$1"
export HOME="$PWD" # hmount keeps its current-volume file in $HOME

# Writes N.bin for the N-th line of the list on standard input.
macbinary() {
  perl -e '
    use strict;
    sub slurp { local $/; open my $f, "<:raw", $_[0] or die "$_[0]"; my $d = <$f>; return $d // ""; }
    sub pad { my $n = length $_[0]; return $_[0] . ("\0" x ((128 - $n % 128) % 128)); }
    my $n = 0;
    while (my $line = <STDIN>) {
      chomp $line;
      my (undef, $name, $type, $creator, $flags, $df, $rf) = split /\t/, $line;
      my ($data, $rsrc) = (slurp($df), slurp($rf));
      my $h = pack("C C a63 a4 a4 C C n n n C C N N N N n C a14 N n C C", 0, length $name, $name, $type,
                   $creator, $flags >> 8, 0, 0, 0, 0, 0, 0, length $data, length $rsrc, 0, 0, 0,
                   $flags & 0xFF, "", 0, 0, 129, 129);
      my $crc = 0; # CRC-16/XMODEM of the header'"'"'s first 124 bytes
      for my $byte (unpack "C*", $h) {
        $crc ^= $byte << 8;
        $crc = ($crc & 0x8000) ? (($crc << 1) ^ 0x1021) & 0xFFFF : ($crc << 1) & 0xFFFF for 1 .. 8;
      }
      open my $out, ">:raw", ++$n . ".bin" or die;
      print $out $h, pack("n", $crc), "\0\0", pad($data), pad($rsrc);
    }'
}

# Copies the files of list $1 into the mounted volume, making their folders first; the files
# of one folder go in one hcopy.
copy_list() {
  macbinary < "$1"
  local n=0 folder rest last="" batch=()
  while IFS=$'\t' read -r folder rest; do
    n=$((n + 1))
    if [ "$folder" != "$last" ] && [ ${#batch[@]} -gt 0 ]; then hcopy -m "${batch[@]}" "$last"; batch=(); fi
    last="$folder"
    batch+=("$n.bin")
    local path=""
    IFS=: read -ra parts <<< "${folder#:}"
    for part in "${parts[@]}"; do
      path="$path:$part"
      hmkdir "$path" 2> /dev/null || true
    done
  done < "$1"
  if [ ${#batch[@]} -gt 0 ]; then hcopy -m "${batch[@]}" "$last"; fi
}

dd if=/dev/zero of=catalog.hfs bs=1M count=4 status=none
hformat -l Catalog catalog.hfs > /dev/null
hmount catalog.hfs > /dev/null
copy_list catalog.list
humount > /dev/null

[ -f pieces.list ] || exit 0
dd if=/dev/zero of=pieces.hfs bs=1k count=800 status=none
hformat -l Pieces pieces.hfs > /dev/null
hmount pieces.hfs > /dev/null
mkdir -p filler
for ((i = 0; i < 300; i++)); do head -c 4096 /dev/zero > "filler/f$i"; done
hcopy -r filler/* : 2> /dev/null || true # until the volume is full
deleted=()
for ((i = 0; i < 300; i += 2)); do deleted+=(":f$i"); done
hdel "${deleted[@]}" 2> /dev/null || true # those past the full volume are not there
copy_list pieces.list
humount > /dev/null
