#!/usr/bin/python3
"""LibreOffice Base on a store, headless through its Python bridge (UNO):
Store opened as Base opens a table (a row set on the table, through a data
source of the driver), its first row seen, and a row inserted, updated and
deleted through the row set.

Run by ctest: libreoffice_base_test.py DBTOOL ODBCSYSINI. Skips (exit code
77) with the reason when LibreOffice or its bridge is not installed."""

import os
import shutil
import subprocess
import sqlite3
import sys
import tempfile
import time

SKIP = 77
results = {"passed": 0, "failed": []}


def check(what, got, expected):
    if got == expected:
        results["passed"] += 1
    else:
        results["failed"].append(f"{what}: got {got!r}, expected {expected!r}")


def connect_office(folder, pipe):
    import uno
    from com.sun.star.connection import NoConnectException
    office = subprocess.Popen(
        ["soffice", "--headless", "--invisible", "--norestore", "--nologo", "--nodefault",
         f"-env:UserInstallation=file://{folder}/profile", f"--accept=pipe,name={pipe};urp;"],
        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    local = uno.getComponentContext()
    resolver = local.ServiceManager.createInstanceWithContext("com.sun.star.bridge.UnoUrlResolver", local)
    deadline = time.monotonic() + 90
    while True:
        try:
            return office, resolver.resolve(f"uno:pipe,name={pipe};urp;StarOffice.ComponentContext")
        except NoConnectException:
            if office.poll() is not None or time.monotonic() > deadline:
                raise RuntimeError("LibreOffice did not start")
            time.sleep(0.3)


def names(path):
    with sqlite3.connect(f"file:{path}?mode=ro", uri=True) as db:
        return [r[0] for r in db.execute('SELECT "Название" FROM Store ORDER BY ID')]


def run(ctx, path):
    from com.sun.star.sdb.CommandType import TABLE
    smgr = ctx.ServiceManager
    # A Base data source on the ODBC data source, as a .odb file holds one.
    source = smgr.createInstanceWithContext("com.sun.star.sdb.DatabaseContext", ctx).createInstance()
    source.URL = "sdbc:odbc:StoreBase"
    connection = source.getConnection("", "")
    rows = smgr.createInstanceWithContext("com.sun.star.sdb.RowSet", ctx)
    rows.ActiveConnection = connection
    rows.CommandType = TABLE
    rows.Command = "Store"
    rows.execute()
    columns = rows.Columns
    name = columns.getByName("Название")
    check("first row is there", rows.first(), True)
    check("first row's name", name.getString(), names(path)[0])
    check("row count seen after the last row", rows.last() and rows.Row, len(names(path)))
    check("editable: insert allowed", bool(rows.Privileges & 2), True)

    rows.moveToInsertRow()
    rows.updateString(columns.findColumn("Название"), "Вставлено из Base")
    rows.updateInt(columns.findColumn("Количество"), 3)
    rows.insertRow()
    check("inserted row stored", names(path)[-1], "Вставлено из Base")

    rows.last()
    rows.updateString(columns.findColumn("Название"), "Изменено в Base")
    rows.updateRow()
    check("updated row stored", names(path)[-1], "Изменено в Base")

    rows.last()
    before = len(names(path))
    rows.deleteRow()
    check("deleted row gone", len(names(path)), before - 1)
    check("deleted row's name gone", "Изменено в Base" in names(path), False)
    rows.dispose()


def main(dbtool, odbcsysini):
    try:
        import uno  # noqa: F401
    except ImportError:
        print("SKIPPED: python3-uno is not installed")
        return SKIP
    if shutil.which("soffice") is None:
        print("SKIPPED: LibreOffice (libreoffice-base-nogui) is not installed")
        return SKIP
    folder = tempfile.mkdtemp(prefix="detalehran-base-")
    office = None
    try:
        shutil.copy(os.path.join(odbcsysini, "odbcinst.ini"), folder)
        store = os.path.join(folder, "store")
        os.mkdir(store)
        subprocess.run([dbtool, "create", store, "--parts", "20"], check=True, stdout=subprocess.DEVNULL)
        path = os.path.join(store, "Store.mdb")
        with open(os.path.join(folder, "odbc.ini"), "w") as ini:
            ini.write(f"[StoreBase]\nDriver = Microsoft Access Driver (*.mdb)\nDBQ = {path}\n")
        os.environ["ODBCSYSINI"] = folder
        os.environ["ODBCINI"] = os.path.join(folder, "odbc.ini")
        os.environ["HOME"] = folder
        office, ctx = connect_office(folder, f"detalehran{os.getpid()}")
        try:
            run(ctx, path)
        finally:
            try:
                ctx.ServiceManager.createInstanceWithContext("com.sun.star.frame.Desktop", ctx).terminate()
            except Exception:
                pass
    finally:
        if office is not None:
            try:
                office.wait(timeout=30)
            except subprocess.TimeoutExpired:
                office.kill()
                office.wait()
        shutil.rmtree(folder, ignore_errors=True)
    for failure in results["failed"]:
        print("FAILED:", failure)
    print(f"{results['passed']} passed, {len(results['failed'])} failed")
    return 1 if results["failed"] else 0


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit("usage: libreoffice_base_test.py DBTOOL ODBCSYSINI")
    sys.exit(main(sys.argv[1], sys.argv[2]))
