-- A small household written straight in the file's layout (not by the program): three trees,
-- six moves of the wallet, and the settings of a last session that left the wallet's ledger as
-- the current tab with the period filter off. Run with the sqlite3 shell on an empty file.
CREATE TABLE bill (twosign TEXT, budget_type TEXT, budget NUMERIC, budget_date_to TEXT,
  budget_date_from TEXT, budget_amount NUMERIC, amount NUMERIC, currency_id NUMERIC, ts TEXT,
  isopen NUMERIC, bill_type_id NUMERIC, bill_id NUMERIC, id INTEGER PRIMARY KEY, name TEXT,
  position NUMERIC);
CREATE TABLE bill_move (kurs TEXT, bill_move_id NUMERIC, num TEXT, amount NUMERIC,
  dest_bill_id NUMERIC, id INTEGER PRIMARY KEY, note TEXT, src_bill_id NUMERIC, ts TEXT,
  files BLOB);
CREATE TABLE bill_type (id INTEGER PRIMARY KEY, name TEXT);
CREATE TABLE currency (kurs NUMERIC, short_name TEXT, id INTEGER PRIMARY KEY, name TEXT,
  ts TEXT, kurs_str TEXT);
CREATE TABLE param (id INTEGER PRIMARY KEY, name TEXT, value TEXT);

INSERT INTO currency VALUES (1, 'USD', 1, 'Dollar', '20260101000000', '1');
INSERT INTO bill_type VALUES (1, 'Income');
INSERT INTO bill_type VALUES (2, 'Assets');
INSERT INTO bill_type VALUES (3, 'Spending');

-- twosign, budget_type, budget, to, from, budget_amount, amount, currency, ts, isopen, type,
-- group, id, name, position
INSERT INTO bill VALUES ('FF', '', 0, '', '', 0, 2500, 1, '20260101000000', 1, 1, 0, 1, 'Work', 1);
INSERT INTO bill VALUES ('TF', '', 0, '', '', 0, 2500, 1, '20260101000000', 1, 1, 1, 2, 'Salary', 1);
INSERT INTO bill VALUES ('FF', '', 0, '', '', 0, 2349.5, 1, '20260101000000', 1, 2, 0, 3, 'Money', 1);
INSERT INTO bill VALUES ('TF', '', 0, '', '', 0, 249.5, 1, '20260101000000', 1, 2, 3, 4, 'Wallet', 1);
INSERT INTO bill VALUES ('TF', '', 0, '', '', 0, 2100, 1, '20260101000000', 1, 2, 3, 5, 'Bank', 2);
INSERT INTO bill VALUES ('FF', '', 0, '', '', 0, 150.5, 1, '20260101000000', 1, 3, 0, 6, 'Food', 1);
INSERT INTO bill VALUES ('TF', '', 0, '', '', 0, 95.5, 1, '20260101000000', 1, 3, 6, 7, 'Groceries', 1);
INSERT INTO bill VALUES ('TF', '', 0, '', '', 0, 55, 1, '20260101000000', 1, 3, 6, 8, 'Restaurants', 2);

-- kurs, twin, num, amount, correspondent, id, note, owner, date, files
INSERT INTO bill_move VALUES ('1', 2, '1', 2500, 2, 1, 'January salary', 5, '20260105', NULL);
INSERT INTO bill_move VALUES ('1', 1, '1', -2500, 5, 2, 'January salary', 2, '20260105', NULL);
INSERT INTO bill_move VALUES ('1', 4, '2', 400, 5, 3, 'Cash', 4, '20260106', NULL);
INSERT INTO bill_move VALUES ('1', 3, '2', -400, 4, 4, 'Cash', 5, '20260106', NULL);
INSERT INTO bill_move VALUES ('1', 6, '101', -50, 7, 5, 'Weekly shop', 4, '20260107', NULL);
INSERT INTO bill_move VALUES ('1', 5, '101', 50, 4, 6, 'Weekly shop', 7, '20260107', NULL);
INSERT INTO bill_move VALUES ('1', 8, '102', -30, 8, 7, 'Dinner out', 4, '20260108', NULL);
INSERT INTO bill_move VALUES ('1', 7, '102', 30, 4, 8, 'Dinner out', 8, '20260108', NULL);
INSERT INTO bill_move VALUES ('1', 10, '103', -45.5, 7, 9, 'Weekly shop', 4, '20260110', NULL);
INSERT INTO bill_move VALUES ('1', 9, '103', 45.5, 4, 10, 'Weekly shop', 7, '20260110', NULL);
INSERT INTO bill_move VALUES ('1', 12, '104', -25, 8, 11, 'Dinner out', 4, '20260112', NULL);
INSERT INTO bill_move VALUES ('1', 11, '104', 25, 4, 12, 'Dinner out', 8, '20260112', NULL);

INSERT INTO param (name, value) VALUES ('reserv-count', '1');
INSERT INTO param (name, value)
  VALUES ('reserv-date', CAST(julianday('now', 'localtime', 'start of day') - julianday('1899-12-30') AS INTEGER));
INSERT INTO param (name, value) VALUES ('window-left', '0');
INSERT INTO param (name, value) VALUES ('window-top', '0');
INSERT INTO param (name, value) VALUES ('window-width', '1000');
INSERT INTO param (name, value) VALUES ('window-height', '650');
INSERT INTO param (name, value) VALUES ('head-index', '1');
INSERT INTO param (name, value) VALUES ('select-bill', '4');
INSERT INTO param (name, value) VALUES ('date-filter', strftime('%Y%m%d', 'now', 'localtime'));
INSERT INTO param (name, value) VALUES ('head-bill-001', '4:1');
