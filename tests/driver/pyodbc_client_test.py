#!/usr/bin/python3
"""The driver as Python scripts and office suites reach it: Debian's pyodbc
over unixODBC, through the wide entry points and with parameter markers,
against a generated store in a temporary folder.

Run by ctest: pyodbc_client_test.py DBTOOL ODBCSYSINI, where DBTOOL is
detalehran-db and ODBCSYSINI the folder of the build's odbcinst.ini.
Values read through pyodbc are checked against the same file read with
Python's own sqlite3 module."""

import decimal
import os
import shutil
import sqlite3
import subprocess
import sys
import tempfile

ITEM_COLUMNS = ["Название", "Описание", "Расположение", "Количество", "Цена расходная", "Цена приходная",
                "Поставщик", "Путь", "Тип корпуса", "ID", "Datasheet"]
TABLES = {"Store": ITEM_COLUMNS, "Package": ["Тип корпуса"], "Temp": ITEM_COLUMNS}
MONEY = {"Цена расходная", "Цена приходная"}
WHOLE = {"Количество", "ID"}
CENT = decimal.Decimal("0.0001")

results = {"passed": 0, "failed": []}


def check(what, got, expected):
    if got == expected and type(got) is type(expected):
        results["passed"] += 1
    else:
        results["failed"].append(f"{what}: got {got!r}, expected {expected!r}")


def money(value):
    """An amount as the store keeps it: four decimals."""
    return decimal.Decimal(repr(value)).quantize(CENT, decimal.ROUND_HALF_UP)


def expected_value(column, raw):
    if raw is None:
        return None
    if column in MONEY:
        return money(raw)
    return int(raw) if column in WHOLE else raw


def check_row(what, row, expected):
    for column, got, want in zip(ITEM_COLUMNS, row, expected):
        check(f"{what} [{column}]", got, want)
        if isinstance(got, decimal.Decimal):
            check(f"{what} [{column}] decimal places", got.as_tuple().exponent, -4)


def read_directly(path):
    with sqlite3.connect(f"file:{path}?mode=ro", uri=True) as db:
        rows = db.execute("SELECT * FROM Store ORDER BY ID").fetchall()
    return [[expected_value(c, v) for c, v in zip(ITEM_COLUMNS, row)] for row in rows]


def check_reading(cur, stored):
    for table, columns in TABLES.items():
        cur.execute(f"SELECT * FROM [{table}]")
        check(f"columns of {table}", [d[0] for d in cur.description], columns)
    cur.execute("SELECT * FROM [Store] ORDER BY [ID]")
    rows = [list(r) for r in cur.fetchall()]
    check("rows read", len(rows), len(stored))
    check("some values are NULL", any(v is None for r in stored for v in r), True)
    for row, expected in zip(rows, stored):
        check_row(f"item {expected[9]}", row, expected)
    # Computed columns are numbers of the kind Jet gives.
    cur.execute("SELECT COUNT(*), MAX([ID]), SUM([Количество]), SUM([Цена расходная]), MIN([Количество]*2), "
                "AVG([Количество]) FROM [Store]")
    got = list(cur.fetchone())
    quantities = [r[3] for r in stored]
    check("COUNT(*)", got[0], len(stored))
    check("MAX([ID])", got[1], max(r[9] for r in stored))
    check("SUM([Количество])", got[2], sum(quantities))
    check("SUM([Цена расходная])", got[3], sum(r[4] for r in stored).quantize(CENT))
    check("SUM of money has four places", got[3].as_tuple().exponent, -4)
    check("MIN([Количество]*2)", got[4], 2 * min(quantities))
    check("AVG([Количество]) is floating point", type(got[5]), float)


def check_parameters(cur, stored):
    cur.execute("SELECT COUNT(*) FROM [Store] WHERE [Количество] < ?", 500)
    check("count with a marker", cur.fetchone()[0], sum(1 for r in stored if r[3] < 500))
    cur.execute("SELECT [ID] FROM [Store] WHERE [Название] = ? ORDER BY [ID]", stored[0][0])
    check("Cyrillic name as a marker", [r[0] for r in cur.fetchall()], [r[9] for r in stored if r[0] == stored[0][0]])

    # Values are taken literally: quotes, %, ? and brackets are no syntax.
    item = ["Конденсатор O'Hara 100%", "Скидка 50% — 'так' и \"так\"? [x]", "Шкаф_1", 7, decimal.Decimal("12.3456"),
            None, "ЧипДип", "|Все|?|", "0805", None, "д" * 300]
    cur.execute("INSERT INTO [Store] ([Название],[Описание],[Расположение],[Количество],[Цена расходная],"
                "[Цена приходная],[Поставщик],[Путь],[Тип корпуса],[Datasheet]) VALUES (?,?,?,?,?,?,?,?,?,?)",
                *(item[:9] + item[10:]))
    check("insert row count", cur.rowcount, 1)
    item[9] = cur.execute("SELECT @@IDENTITY").fetchone()[0]
    check("new ID", item[9], max(r[9] for r in stored) + 1)
    cur.execute("SELECT * FROM [Store] WHERE [Название] = ? AND [Описание] = ?", item[0], item[1])
    found = [list(r) for r in cur.fetchall()]
    check("rows found by the inserted texts", len(found), 1)
    check_row("inserted item", found[0] if found else [], item)

    cur.execute("UPDATE [Store] SET [Количество] = ?, [Цена приходная] = ?, [Поставщик] = ? WHERE [ID] = ?",
                12, decimal.Decimal(".5"), "Д'Арк & Ко 5%", item[9])
    check("update row count", cur.rowcount, 1)
    cur.execute("SELECT [Количество], [Цена приходная], [Поставщик] FROM [Store] WHERE [ID] = ?", item[9])
    check("updated values", list(cur.fetchone()), [12, decimal.Decimal("0.5000"), "Д'Арк & Ко 5%"])
    cur.execute("DELETE FROM [Store] WHERE [Название] = ?", item[0])
    check("delete row count", cur.rowcount, 1)
    check("deleted", cur.execute("SELECT COUNT(*) FROM [Store] WHERE [ID] = ?", item[9]).fetchone()[0], 0)


def snapshot(cur):
    return [list(r) for r in cur.execute("SELECT * FROM [Store] ORDER BY [ID]").fetchall()]


def check_transactions(connect, cur):
    manual = connect(autocommit=False)
    work = manual.cursor()
    before = snapshot(cur)
    work.execute("INSERT INTO [Store] ([Название], [Количество]) VALUES (?, ?)", "Отменённая", 1)
    work.execute("UPDATE [Store] SET [Количество] = ? WHERE [ID] = ?", 0, before[0][9])
    work.execute("DELETE FROM [Store] WHERE [ID] = ?", before[1][9])
    check("own changes seen inside the transaction", len(snapshot(work)), len(before))
    check("no change seen by another connection", snapshot(cur), before)
    manual.rollback()
    check("store unchanged after rollback", snapshot(cur), before)

    work.execute("INSERT INTO [Store] ([Название], [Количество]) VALUES (?, ?)", "Сохранённая", 2)
    manual.commit()
    manual.close()
    cur.execute("SELECT [Количество] FROM [Store] WHERE [Название] = ?", "Сохранённая")
    check("committed row kept", [r[0] for r in cur.fetchall()], [2])


def check_office_features(cur):
    """fast_executemany (arrays of parameter values), long Cyrillic text,
    catalog functions and scrolling as pyodbc reaches them."""
    rows = [(f"Массив {i}", "д" * (i % 250), i, decimal.Decimal(f"{i}.25")) for i in range(2000)]
    cur.fast_executemany = True
    cur.executemany("INSERT INTO [Store] ([Название], [Описание], [Количество], [Цена расходная]) VALUES (?, ?, ?, ?)",
                    rows)
    cur.fast_executemany = False
    cur.execute("SELECT [Название], [Описание], [Количество], [Цена расходная] FROM [Store] "
                "WHERE [Название] LIKE 'Массив %' ORDER BY [Количество]")
    check("rows of fast_executemany", [tuple(r) for r in cur.fetchall()], rows)
    long_text = "Ё" * 100000
    cur.execute("UPDATE [Store] SET [Описание] = ? WHERE [Название] = ?", long_text, "Массив 7")
    cur.execute("SELECT [Описание] FROM [Store] WHERE [Название] = ?", "Массив 7")
    check("100 000 Cyrillic letters", cur.fetchone()[0], long_text)
    check("primary key of Store", [r.column_name for r in cur.primaryKeys("Store")], ["ID"])
    check("row identifier of Package", [r.column_name for r in cur.rowIdColumns("Package")], ["Тип корпуса"])
    check("statistics name the key", "PrimaryKey" in [r.index_name for r in cur.statistics("Store")], True)
    cur.execute("SELECT [Название] & ' / ' & [Количество] FROM [Store] WHERE [Название] = 'Массив 3'")
    check("& joins texts", cur.fetchone()[0], "Массив 3 / 3")
    cur.execute("DELETE FROM [Store] WHERE [Название] LIKE 'Массив %'")
    check("rows deleted", cur.rowcount, len(rows))


def main(dbtool, odbcsysini):
    folder = tempfile.mkdtemp(prefix="detalehran-pyodbc-")
    try:
        # unixODBC reads these at the first connection.
        shutil.copy(os.path.join(odbcsysini, "odbcinst.ini"), folder)
        open(os.path.join(folder, "odbc.ini"), "w").close()
        os.environ["ODBCSYSINI"] = folder
        os.environ["ODBCINI"] = os.path.join(folder, "odbc.ini")
        os.environ["HOME"] = folder
        store = os.path.join(folder, "store")
        os.mkdir(store)
        subprocess.run([dbtool, "create", store, "--parts", "40"], check=True, stdout=subprocess.DEVNULL)
        path = os.path.join(store, "Store.mdb")
        stored = read_directly(path)

        import pyodbc

        def connect(autocommit):
            return pyodbc.connect("DRIVER={Microsoft Access Driver (*.mdb)};DBQ=" + path, autocommit=autocommit)

        with connect(autocommit=True) as auto:
            cur = auto.cursor()
            check_reading(cur, stored)
            check_parameters(cur, stored)
            check_transactions(connect, cur)
            check_office_features(cur)
    finally:
        shutil.rmtree(folder, ignore_errors=True)
    for failure in results["failed"]:
        print("FAILED:", failure)
    print(f"{results['passed']} passed, {len(results['failed'])} failed")
    return 1 if results["failed"] else 0


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit("usage: pyodbc_client_test.py DBTOOL ODBCSYSINI")
    sys.exit(main(sys.argv[1], sys.argv[2]))
