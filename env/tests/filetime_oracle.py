"""Independent answers for the time-value tests, one per input line.

  count Y M D h m s ms   -> the 100-ns count since 1601-01-01 of that UTC time
  fields COUNT           -> Y M D weekday(Sunday=0) h m s ms of a UTC count
  tolocal ZONE COUNT     -> the UTC count shifted into local time of ZONE
  toutc ZONE COUNT       -> the local count of ZONE converted to UTC
"""
import datetime
import sys
import zoneinfo

UTC = datetime.timezone.utc
EPOCH = datetime.datetime(1601, 1, 1, tzinfo=UTC)
UNITS = 10**7


def count_of(dt):
    delta = dt - EPOCH
    return (delta.days * 86400 + delta.seconds) * UNITS + delta.microseconds * 10


def main():
    for line in sys.stdin:
        parts = line.split()
        if not parts:
            continue
        op = parts[0]
        if op == "count":
            y, mo, d, h, mi, s, ms = map(int, parts[1:8])
            print(count_of(datetime.datetime(y, mo, d, h, mi, s, ms * 1000, tzinfo=UTC)))
        elif op == "fields":
            c = int(parts[1])
            dt = EPOCH + datetime.timedelta(microseconds=c // 10)
            print(dt.year, dt.month, dt.day, dt.isoweekday() % 7, dt.hour, dt.minute, dt.second,
                  dt.microsecond // 1000)
        elif op == "tolocal":
            zone = zoneinfo.ZoneInfo(parts[1])
            c = int(parts[2])
            dt = EPOCH + datetime.timedelta(seconds=c // UNITS)
            offset = dt.astimezone(zone).utcoffset()
            print(c + int(offset.total_seconds()) * UNITS)
        elif op == "toutc":
            zone = zoneinfo.ZoneInfo(parts[1])
            c = int(parts[2])
            naive = datetime.datetime(1601, 1, 1) + datetime.timedelta(seconds=c // UNITS)
            offset = naive.replace(tzinfo=zone).utcoffset()
            print(c - int(offset.total_seconds()) * UNITS)
        else:
            print("bad query:", line.strip())
        sys.stdout.flush()


main()
