-- Schema of the per-user database of zor4_70.
--
-- scripts/make-template-db builds the template resources/zor4_70.db from this
-- file; the program copies the template into the user's data directory on
-- first start and never creates, checks or migrates the schema itself.
-- Statements, table, column and index names are relied on by every stored
-- database: change nothing here without a plan for the files users already have.

PRAGMA page_size = 4096;
PRAGMA encoding = 'UTF-8';
PRAGMA user_version = 0;
PRAGMA journal_mode = DELETE;

BEGIN;

-- One row per instrument ever seen.
CREATE TABLE "device" (
    "device_id" INTEGER PRIMARY KEY AUTOINCREMENT,
    "device_type" INTEGER DEFAULT 0,
    "device_number" INTEGER DEFAULT 0,
    "device_name" TEXT,
    "device_name_search" TEXT,
    "device_refdata" BLOB
);

-- Named settings snapshots; the first one of a device is its factory snapshot.
CREATE TABLE "device_snapshot" (
    "device_snapshot_id" INTEGER PRIMARY KEY AUTOINCREMENT,
    "device_id" INTEGER,
    "device_snapshot_info" TEXT,
    "device_snapshot_info_search" TEXT,
    "device_snapshot_datetime" DATETIME,
    "device_snapshot_data" BLOB,
    "device_snapshot_refdata" BLOB,
    "device_snapshot_factory" INTEGER DEFAULT 0
);

CREATE TABLE "device_snapshot_property" (
    "device_snapshot_property_id" INTEGER PRIMARY KEY AUTOINCREMENT,
    "device_snapshot_id" INTEGER,
    "device_snapshot_property_key" TEXT,
    "device_snapshot_property_val" TEXT
);

-- Per-device key/value pairs (plot properties).
CREATE TABLE "device_property" (
    "device_property_id" INTEGER PRIMARY KEY AUTOINCREMENT,
    "device_id" INTEGER,
    "device_property_key" TEXT,
    "device_property_val" TEXT
);

-- Application key/value pairs.
CREATE TABLE "app_property" (
    "app_property_id" INTEGER PRIMARY KEY AUTOINCREMENT,
    "app_property_key" TEXT,
    "app_property_val" TEXT
);

-- Sensor characteristics: 340-byte records, typed by their first byte.
CREATE TABLE "feature" (
    "feature_id" INTEGER PRIMARY KEY AUTOINCREMENT,
    "feature_type" INTEGER,
    "feature_datetime" TEXT,
    "feature_name" TEXT,
    "feature_name_search" TEXT,
    "feature_info" TEXT,
    "feature_data" BLOB
);

CREATE UNIQUE INDEX "app_property-app_property_key" ON "app_property" ("app_property_key");
CREATE UNIQUE INDEX "device_snapshot_property-device_snapshot_id_key" ON "device_snapshot_property" ("device_snapshot_id", "device_snapshot_property_key");
CREATE INDEX "device_snapshot_property-device_snapshot_id" ON "device_snapshot_property" ("device_snapshot_id");
CREATE UNIQUE INDEX "device_property-device_id_key" ON "device_property" ("device_id", "device_property_key");
CREATE INDEX "device_property-device_id" ON "device_property" ("device_id");
CREATE INDEX "feature-feature_data" ON "feature" ("feature_data");
CREATE INDEX "feature-feature_type" ON "feature" ("feature_type");
CREATE INDEX "feature-feature_name_search" ON "feature" ("feature_name_search");
CREATE INDEX "device_snapshot-device_snapshot_data" ON "device_snapshot" ("device_snapshot_data", "device_snapshot_refdata");
CREATE INDEX "device_snapshot-device_id" ON "device_snapshot" ("device_id");
CREATE INDEX "device-device_refdata" ON "device" ("device_refdata");
CREATE UNIQUE INDEX "device-type_number_ref" ON "device" ("device_type", "device_number", "device_refdata");
CREATE INDEX "device-device_type" ON "device" ("device_type");
CREATE UNIQUE INDEX "device-type_number" ON "device" ("device_type", "device_number");
CREATE INDEX "device-type_name" ON "device" ("device_type", "device_name_search");

-- Deleting a device takes its snapshots and properties with it in one statement.
CREATE TRIGGER "device_delete" AFTER DELETE ON "device"
BEGIN
    DELETE FROM "device_snapshot" WHERE "device_id" = OLD."device_id";
    DELETE FROM "device_property" WHERE "device_id" = OLD."device_id";
END;

CREATE TRIGGER "device_snapshot_delete" AFTER DELETE ON "device_snapshot"
BEGIN
    DELETE FROM "device_snapshot_property" WHERE "device_snapshot_id" = OLD."device_snapshot_id";
END;

INSERT INTO "app_property" ("app_property_id", "app_property_key", "app_property_val") VALUES (1, 'autoconnect', '1');

-- The sequence rows a fresh database starts with.
INSERT INTO "sqlite_sequence" ("name", "seq") VALUES ('feature', 0);
INSERT INTO "sqlite_sequence" ("name", "seq") VALUES ('device_snapshot', 0);
INSERT INTO "sqlite_sequence" ("name", "seq") VALUES ('device', 0);

COMMIT;
