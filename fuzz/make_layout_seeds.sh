#!/usr/bin/env bash
# Writes the layout check's seed files that the sqlite3 shell makes, small (512-byte pages): the
# current layout, the three older layouts that the upgrades bring up to date, and two layouts
# the check refuses. Usage: make_layout_seeds.sh fuzz/corpus/layout_check
set -euo pipefail
out=$1
bill="CREATE TABLE bill (twosign TEXT, budget_type TEXT, budget NUMERIC, budget_date_to TEXT,
  budget_date_from TEXT, budget_amount NUMERIC, amount NUMERIC, currency_id NUMERIC, ts TEXT,
  isopen NUMERIC, bill_type_id NUMERIC, bill_id NUMERIC, id INTEGER PRIMARY KEY, name TEXT,
  position NUMERIC);"
move_cols="bill_move_id NUMERIC, num TEXT, amount NUMERIC, dest_bill_id NUMERIC,
  id INTEGER PRIMARY KEY, note TEXT, src_bill_id NUMERIC, ts TEXT"
move_new="CREATE TABLE bill_move (kurs TEXT, $move_cols, files BLOB);"
move_old="CREATE TABLE bill_move (kurs NUMERIC, $move_cols);"
move_old_files="CREATE TABLE bill_move (kurs NUMERIC, $move_cols, files BLOB);"
types="CREATE TABLE bill_type (id INTEGER PRIMARY KEY, name TEXT);
  INSERT INTO bill_type VALUES (1,'Income'); INSERT INTO bill_type VALUES (2,'Assets');
  INSERT INTO bill_type VALUES (3,'Spending');"
cur_new="CREATE TABLE currency (kurs NUMERIC, short_name TEXT, id INTEGER PRIMARY KEY, name TEXT,
  ts TEXT, kurs_str TEXT);
  INSERT INTO currency VALUES (1,'USD',1,'Dollar','20100212141230','1');
  INSERT INTO currency VALUES (0.0333333333333333,'RUB',2,'Rouble','20100212141230','1/30');"
cur_old="CREATE TABLE currency (kurs NUMERIC, short_name TEXT, id INTEGER PRIMARY KEY, name TEXT,
  ts TEXT);
  INSERT INTO currency VALUES (1,'USD',1,'Dollar','20100212141230');
  INSERT INTO currency VALUES (30,'RUB',2,'Rouble','20100212141230');"
param="CREATE TABLE param (id INTEGER PRIMARY KEY, name TEXT, value TEXT);
  INSERT INTO param (name,value) VALUES ('reserv-count','3');
  INSERT INTO param (name,value) VALUES ('reserv-date','46000');
  INSERT INTO param (name,value) VALUES ('date-filter','2026010120261231');"
rows="INSERT INTO bill VALUES ('FF',NULL,0,NULL,NULL,0,0,1,'20260101000000',1,2,0,1,'Money',1);
  INSERT INTO bill VALUES ('TF',NULL,0,NULL,NULL,0,-12.5,1,'20260101000000',1,2,1,2,'Wallet',1);
  INSERT INTO bill VALUES ('FF',NULL,0,NULL,NULL,0,0,1,'20260101000000',1,3,0,3,'Food',1);
  INSERT INTO bill VALUES ('TF',NULL,0,NULL,NULL,0,12.5,1,'20260101000000',1,3,3,4,'Cafe',1);"
moves="INSERT INTO bill_move (kurs,bill_move_id,num,amount,dest_bill_id,id,note,src_bill_id,ts)
  VALUES ('1',2,'7',-12.5,4,1,'Lunch',2,'20260110');
  INSERT INTO bill_move (kurs,bill_move_id,num,amount,dest_bill_id,id,note,src_bill_id,ts)
  VALUES ('1',1,'7',12.5,2,2,'Lunch',4,'20260110');"
make() {
  rm -f "$out/$1"
  printf 'PRAGMA page_size=512;\n%s\n' "$2" | sqlite3 "$out/$1"
}
make shell-current.dat "$bill $move_new $types $cur_new $param $rows $moves
  UPDATE bill_move SET files = x'612e74787403330162696e' WHERE id = 1;"
make shell-oldest-layout.dat "$bill $move_old $types $cur_old $param $rows $moves"
make shell-without-rate-texts.dat "$bill $move_new $types $cur_old $param $rows $moves"
make shell-numeric-rates-with-files.dat "$bill $move_old_files $types $cur_new $param $rows $moves"
make shell-extra-table.dat "$bill $move_new $types $cur_new $param
  CREATE TABLE notes (id INTEGER PRIMARY KEY, text TEXT);"
make shell-columns-reordered.dat "CREATE TABLE bill (id INTEGER PRIMARY KEY, twosign TEXT,
  budget_type TEXT, budget NUMERIC, budget_date_to TEXT, budget_date_from TEXT,
  budget_amount NUMERIC, amount NUMERIC, currency_id NUMERIC, ts TEXT, isopen NUMERIC,
  bill_type_id NUMERIC, bill_id NUMERIC, name TEXT, position NUMERIC);
  $move_new $types $cur_new $param"
