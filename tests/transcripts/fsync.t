#require posix strace
With --fsync the new contents reach the disk before they take the output's name, and the
folder holding the name after; without, nothing is flushed. The system calls are those strace
sees, without their process and arguments. A sanitizer's leak check cannot work under a tracer,
so it is turned off.

  $ strace -qq -o /dev/null true || exit 80
  $ . "$TESTDIR/lib.sh" && cp "$DATA/complete.vqz" a.vqz
  $ traced() { ASAN_OPTIONS=detect_leaks=0 strace -f -qq -o ../trace -e trace=fsync,fdatasync,linkat,rename,renameat,renameat2 vqz2xml "$@" && sed 's/^[0-9]* *//; s/(.*//' ../trace | grep -v '^+++\|^---'; }
  $ traced -f --fsync -o out.xml a
  fsync
  linkat
  fsync
  $ cmp out.xml "$DATA/complete.xml"
  $ echo old >out.xml
  $ traced -f --fsync -o out.xml a
  fsync
  linkat
  rename
  fsync
  $ cmp out.xml "$DATA/complete.xml"
  $ traced -f -o out.xml a
  linkat
  rename
