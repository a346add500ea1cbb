# Makes help2man's page (run in the C locale) a Chinese one: the section headings, the manual's
# name and the date help2man writes itself; and places where a line may break between Chinese
# characters, which groff does not find by itself (there are no spaces to break at); a source
# line that ends in a Chinese character runs on into the next without the space a line end
# makes between words.
# Usage: perl -CSD THIS PAGE
use strict;
use utf8;
use warnings;

my %headings = (
  'NAME' => '名称', 'SYNOPSIS' => '概述', 'DESCRIPTION' => '描述', 'OPTIONS' => '选项',
  'ENVIRONMENT' => '环境变量', 'FILES' => '文件', 'EXAMPLES' => '示例', 'COMMANDS' => '命令',
  'SEE ALSO' => '参见',
);
my %months = (
  January => 1, February => 2, March => 3, April => 4, May => 5, June => 6, July => 7,
  August => 8, September => 9, October => 10, November => 11, December => 12,
);
# Chinese characters and punctuation, and the quotation marks Chinese shares with English.
my $wide = qr/[\p{Ea=W}\p{Ea=F}“”‘’…]/;
# Chinese typesetting never starts a line with these, nor ends one with the openers.
my $closer = qr/[，。、；：！？）”’》」』】…]/;
my $opener = qr/[（“‘《「『【]/;

my @lines = <>;
my $section = '';
for my $i (0 .. $#lines) {
  my $line = $lines[$i];
  my $next = $i < $#lines ? $lines[$i + 1] : '';
  if ($line =~ /^\.TH /) {
    $line =~ s/"(\w+) (\d{4})"/exists $months{$1} ? "\"$2年$months{$1}月\"" : "\"$1 $2\""/e;
    $line =~ s/"User Commands"/"用户命令"/;
    # Ragged right: a Chinese line has no spaces to stretch; and no hyphens in the Latin words.
    $line .= ".ad l\n.nh\n";
  } elsif ($line =~ /^\.SH "?([A-Z][A-Z ]*?)"?$/ && exists $headings{$1}) {
    $section = $1;
    $line = ".SH $headings{$1}\n";
  } elsif ($line =~ /^\.SH /) {
    $section = '';
  } elsif ($line !~ /^[.']/ && $section ne 'NAME') {
    # (The NAME line is short, and is read as it stands by whatis and apropos.)
    $line =~ s/(?<=$wide)(?<!$opener)(?=$wide|[A-Za-z0-9])(?!$closer)/\\:/g;
    $line =~ s/(?<=[A-Za-z0-9])(?=$wide)(?!$closer)/\\:/g;
    # Runs on, where a line may still break unless Chinese forbids it; after Chinese punctuation
    # before a Latin word too, where a space would look out of place.
    if ($next !~ /^[.']/ && ($line =~ /$wide\n$/ && $next =~ /^$wide/ || $line =~ /$closer\n$/)) {
      my $break = $line =~ /$opener\n$/ || $next =~ /^$closer/ ? '' : '\\:';
      $line =~ s/\n$/$break\\c\n/;
    }
  }
  print $line;
}
