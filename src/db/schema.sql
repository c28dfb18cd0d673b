-- The working database. Every text field accepts the empty text; nothing is
-- unique, because one person may stand in several groups or twice in a card file.
-- カード is the card as its file holds it, CP932 bytes and line ends as written,
-- for the outputs that carry more than the five fields; NULL in rows stored by
-- a program that did not keep it. 所属 is the rowid of the グループ情報 row the
-- import stored with the card: a card that gives no name or address is still
-- a person of its own, in its own folder's group. NULL in rows stored before
-- it was kept, which find their groups by name and address. 人物 is who the
-- entry is, as the program works it out from the card when storing it: the
-- entries of one person share it. NULL in a row another program stored, which
-- is a person of its own.
CREATE TABLE アドレス情報 (
    名前     TEXT,
    アドレス TEXT,
    会社名   TEXT,
    部署名   TEXT,
    役職     TEXT,
    カード   BLOB,
    所属     INTEGER,
    人物     BLOB
);

-- The people as the import (or the upgrade of an older file) put them
-- together, once the last Group.idx line was applied: one row per 人物, the
-- person of its 件数 entries in the store's own versioned record (a zero-length
-- one for a person with nothing a mail program holds). A table of its own, so
-- that the rows the fixed outputs read stay as small as they were. A record
-- belongs to the rows it was made from: another program that deletes, adds or
-- re-keys an entry of a person takes the person's record with it (the triggers
-- below), and its entries are then written from their fields, as an entry
-- stored without a card is.
CREATE TABLE 人物記録 (
    人物 BLOB PRIMARY KEY,
    件数 INTEGER,
    記録 BLOB
);

CREATE TRIGGER 人物記録_項目削除 AFTER DELETE ON アドレス情報 BEGIN
    DELETE FROM 人物記録 WHERE 人物 = old.人物;
END;
CREATE TRIGGER 人物記録_項目追加 AFTER INSERT ON アドレス情報 BEGIN
    DELETE FROM 人物記録 WHERE 人物 = new.人物;
END;
CREATE TRIGGER 人物記録_人物変更 AFTER UPDATE OF 人物 ON アドレス情報 BEGIN
    DELETE FROM 人物記録 WHERE 人物 = old.人物 OR 人物 = new.人物;
END;

-- The last import: the folder it read (as the user chose it) and when it
-- ended (ISO 8601, local time). One row, or none before the first import and
-- in a file an older program filled.
CREATE TABLE 取込記録 (
    フォルダ TEXT,
    日時     TEXT
);

CREATE TABLE グループ情報 (
    グループ TEXT,
    名前     TEXT,
    アドレス TEXT
);

-- An entry is keyed by name and address; the import's title lookup, the
-- pairing in 出力情報 and a person's groups go through these, and a person's
-- entries through 人物, so all stay fast at 100,000 entries.
CREATE INDEX アドレス情報_名前_アドレス ON アドレス情報 (名前, アドレス);
CREATE INDEX アドレス情報_人物 ON アドレス情報 (人物);
CREATE INDEX グループ情報_名前_アドレス ON グループ情報 (名前, アドレス);
CREATE INDEX グループ情報_グループ ON グループ情報 (グループ, 名前, アドレス);

-- The people: one row per 人物, and one per entry without it, with 項目, the
-- rowid of the person's first-stored entry, in the order the outputs write
-- them. An entry stands where the membership stored with it was, else where
-- the first membership of its name and address was, else where it was itself,
-- ahead of a membership stored at the same position: 2 × rowid + 1 and
-- 2 × rowid place them in one order. A person stands where its first-placed
-- entry does; two at one place in the order their first entries were stored.
-- Its entries are those with its 人物, by the index on it; 件数 counts them.
CREATE VIEW 出力人物 AS
SELECT 項目, 人物, 件数
FROM (SELECT min(rowid) AS 項目, 人物, min(位置) AS 位置, count(*) AS 件数
      FROM (SELECT rowid, 人物,
                   CASE WHEN 所属 NOTNULL THEN 2 * 所属 + 1
                        ELSE coalesce((SELECT 2 * m.rowid + 1 FROM グループ情報 AS m
                                       WHERE m.名前 IS e.名前 AND m.アドレス IS e.アドレス
                                       ORDER BY m.rowid LIMIT 1),
                                      2 * rowid) END AS 位置
            FROM アドレス情報 AS e)
      GROUP BY coalesce(人物, -rowid))
ORDER BY 位置, 項目;

-- One row per distinct membership (group, name, address) whose pair has an
-- entry, carrying the fields of the first-stored entry of that pair (the one the
-- import gives the job title), so a person stored twice is not multiplied by the
-- join; and one row with a NULL group for each entry pair that no membership
-- names. Read by name, rows come in the order they were stored: memberships by
-- their own position, an entry without one at its position among the entries
-- (ahead of the membership stored at the same position). Both arms are read in
-- rowid order, so the ORDER BY is a merge, not a sort.
--
-- Every test is a seek that stops at its first hit, whatever the rows hold, so
-- an address book of a thousand identical cards still reads in linear time (an
-- anti-join written as LEFT JOIN ... IS NULL would walk every earlier copy).
-- Pairs match with IS, so a NULL name or address is a value of its own, apart
-- from the empty text.
CREATE VIEW 出力情報 AS
SELECT グループ, 名前, アドレス, 会社名, 部署名, 役職
FROM (
    SELECT m.グループ AS グループ, m.名前 AS 名前, m.アドレス AS アドレス,
           e.会社名 AS 会社名, e.部署名 AS 部署名, e.役職 AS 役職,
           m.rowid AS 格納順, 1 AS 区分
    FROM グループ情報 AS m
    JOIN アドレス情報 AS e
      ON e.rowid = (SELECT x.rowid FROM アドレス情報 AS x
                    WHERE x.名前 IS m.名前 AND x.アドレス IS m.アドレス
                    ORDER BY x.rowid LIMIT 1)
    WHERE NOT EXISTS (SELECT 1 FROM グループ情報 AS y
                      WHERE y.グループ IS m.グループ AND y.名前 IS m.名前 AND y.アドレス IS m.アドレス
                        AND y.rowid < m.rowid)
    UNION ALL
    SELECT NULL, e.名前, e.アドレス, e.会社名, e.部署名, e.役職, e.rowid, 0
    FROM アドレス情報 AS e
    WHERE NOT EXISTS (SELECT 1 FROM グループ情報 AS y
                      WHERE y.名前 IS e.名前 AND y.アドレス IS e.アドレス)
      AND NOT EXISTS (SELECT 1 FROM アドレス情報 AS x
                      WHERE x.名前 IS e.名前 AND x.アドレス IS e.アドレス AND x.rowid < e.rowid)
    ORDER BY 格納順, 区分
);

-- The layout's version: 0 is every file made before it was kept; an upgrade
-- brings an older file up to this one.
PRAGMA user_version = 4;
