#!/usr/bin/python3
"""Scripts' speed on 100 000 parts, side by side: fetching every row through
pyodbc with our driver and with Debian's SQLite ODBC driver (libsqliteodbc)
on the same file, and inserting 100 000 rows with pyodbc's fast_executemany
(arrays of parameter values) against SQLite's C API inserting the same rows
into the same schema (bench_insert_store: one prepared statement, one
transaction, the driver's page cache). Prints the best of several runs of
each in wall time and in processor time (which other programs on a busy
machine do not stretch), and the ratios; fails only if the two inserts
stored different data.

Run: pyodbc_bench.py DBTOOL INSERT_BENCH ODBCSYSINI [PARTS]"""

import os
import shutil
import sqlite3
import subprocess
import sys
import tempfile
import time

SQLITEODBC = "/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so"
OURS = "DRIVER={Microsoft Access Driver (*.mdb)};DBQ="
COLUMNS = ("Название", "Описание", "Расположение", "Количество", "Цена расходная", "Цена приходная", "Поставщик",
           "Путь", "Тип корпуса", "Datasheet")
FETCH_RUNS = 5
INSERT_RUNS = 3


class Best:
    """The best wall time and the best processor time of some runs, in seconds."""

    def __init__(self):
        self.wall = self.cpu = float("inf")

    def add(self, wall, cpu):
        self.wall = min(self.wall, wall)
        self.cpu = min(self.cpu, cpu)


def best(runs, prepare, work):
    result = Best()
    for _ in range(runs):
        argument = prepare()
        wall, cpu = time.perf_counter(), time.process_time()
        work(argument)
        result.add(time.perf_counter() - wall, time.process_time() - cpu)
    return result


def side_by_side(ours, theirs, name, target):
    return (f"ours {ours.wall:.3f} s, {name} {theirs.wall:.3f} s, ratio {ours.wall / theirs.wall:.2f}; "
            f"processor time ours {ours.cpu:.3f} s, {name} {theirs.cpu:.3f} s, ratio {ours.cpu / theirs.cpu:.2f} "
            f"(target at most {target:.2f})")


def insert_bench(insert_bench_exe, *arguments):
    """The lines bench_insert_store prints, by their first word."""
    out = subprocess.run([insert_bench_exe, *arguments], check=True, capture_output=True, text=True).stdout
    return dict(line.split(" ", 1) for line in out.splitlines() if " " in line)


def main(dbtool, insert_bench_exe, odbcsysini, parts):
    import pyodbc
    folder = tempfile.mkdtemp(prefix="detalehran-bench-")
    try:
        shutil.copy(os.path.join(odbcsysini, "odbcinst.ini"), folder)
        open(os.path.join(folder, "odbc.ini"), "w").close()
        os.environ.update(ODBCSYSINI=folder, ODBCINI=os.path.join(folder, "odbc.ini"), HOME=folder)
        store = os.path.join(folder, "store")
        os.mkdir(store)
        subprocess.run([dbtool, "create", store, "--parts", str(parts)], check=True, stdout=subprocess.DEVNULL)
        path = os.path.join(store, "Store.mdb")

        def fetch_all(connection_string):
            def work(_):
                with pyodbc.connect(connection_string, autocommit=True) as c:
                    rows = c.cursor().execute("SELECT * FROM Store").fetchall()
                    assert len(rows) == parts, len(rows)
            return work

        ours = best(FETCH_RUNS, lambda: None, fetch_all(OURS + path))
        theirs = None
        if os.path.exists(SQLITEODBC):
            theirs = best(FETCH_RUNS, lambda: None, fetch_all(f"DRIVER={SQLITEODBC};Database={path}"))

        # The generated parts as a script has them: texts, whole quantities
        # and amounts as decimal text.
        with sqlite3.connect(path) as db:
            rows = db.execute("SELECT " + ", ".join(f'"{c}"' for c in COLUMNS) + " FROM Store ORDER BY ID").fetchall()
        rows = [tuple(str(v) if i in (4, 5) and v is not None else v for i, v in enumerate(r)) for r in rows]
        insert = ("INSERT INTO [Store] (" + ",".join(f"[{c}]" for c in COLUMNS) + ") VALUES (" +
                  ",".join("?" * len(COLUMNS)) + ")")
        target = os.path.join(folder, "ours")

        def fresh():
            shutil.rmtree(target, ignore_errors=True)
            os.mkdir(target)
            subprocess.run([dbtool, "create", target], check=True, stdout=subprocess.DEVNULL)
            return os.path.join(target, "Store.mdb")

        def fast_executemany(file):
            with pyodbc.connect(OURS + file, autocommit=False) as c:
                cur = c.cursor()
                cur.fast_executemany = True
                cur.executemany(insert, rows)
                c.commit()

        inserted = best(INSERT_RUNS, fresh, fast_executemany)
        ours_stored = insert_bench(insert_bench_exe, "--summary", os.path.join(target, "Store.mdb"))["stored"]
        c_api = insert_bench(insert_bench_exe, "--c-api-only", "--parts", str(parts), "--runs", str(INSERT_RUNS))
        direct = Best()
        direct.add(float(c_api["c_api_ms"]) / 1000, float(c_api["c_api_cpu_ms"]) / 1000)
    finally:
        shutil.rmtree(folder, ignore_errors=True)

    print(f"fetch {parts} parts through pyodbc, best of {FETCH_RUNS}: ", end="")
    if theirs is not None:
        print(side_by_side(ours, theirs, "SQLite ODBC driver", 0.9))
    else:
        print(f"ours {ours.wall:.3f} s, processor time {ours.cpu:.3f} s; SQLite ODBC driver not installed ({SQLITEODBC})")
    print(f"insert {parts} parts in one transaction, best of {INSERT_RUNS}, pyodbc fast_executemany against "
          f"SQLite's C API: " + side_by_side(inserted, direct, "C API", 1.5))
    same = ours_stored == c_api["stored"]
    print(f"stored (count, quantity, amounts, text length, places): ours {ours_stored}, C API {c_api['stored']}"
          f"{'' if same else ' DIFFER'}")
    return 0 if same else 1


if __name__ == "__main__":
    if len(sys.argv) not in (4, 5):
        sys.exit("usage: pyodbc_bench.py DBTOOL INSERT_BENCH ODBCSYSINI [PARTS]")
    sys.exit(main(sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4]) if len(sys.argv) == 5 else 100000))
